#include "SettingsControls.h"

#include "Symbols.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The palette a child's colour derives from: its parent's, so that the child's own
// override never feeds back into the computation.
QPalette basePalette(const QWidget& widget)
{
    return widget.parentWidget() ? widget.parentWidget()->palette() : QApplication::palette();
}

} // namespace

// ThemedLabel

ThemedLabel::ThemedLabel(const QString& text, double pixelSize, QFont::Weight weight, Tone tone,
                         QWidget* parent)
    : QLabel(text, parent), m_tone(tone)
{
    setFont(Theme::font(font(), pixelSize, weight));
    setTextFormat(Qt::PlainText);
    applyTone();
}

void ThemedLabel::setTone(Tone tone)
{
    m_tone = tone;
    applyTone();
}

void ThemedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        applyTone();
}

void ThemedLabel::applyTone()
{
    const QPalette base = basePalette(*this);
    const Theme& theme = Theme::forPalette(base);
    QColor color;
    switch (m_tone) {
    case Tone::primary:
        color = base.color(QPalette::WindowText);
        break;
    case Tone::secondary:
        color = Theme::secondary(base);
        break;
    case Tone::danger:
        color = theme.danger;
        break;
    case Tone::success:
        color = theme.success;
        break;
    }
    // Only a real change sets the palette: setting it raises another PaletteChange.
    if (palette().color(QPalette::WindowText) == color && palette().color(QPalette::Text) == color)
        return;
    QPalette own = palette();
    own.setColor(QPalette::WindowText, color);
    own.setColor(QPalette::Text, color);
    setPalette(own);
}

// ThemedSurface

ThemedSurface::ThemedSurface(ColorOf fill, bool hairlineRight, QWidget* parent)
    : QWidget(parent), m_fill(std::move(fill)), m_hairlineRight(hairlineRight)
{
}

void ThemedSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const Theme& theme = Theme::of(*this);
    painter.fillRect(rect(), m_fill(theme));
    if (m_hairlineRight)
        painter.fillRect(QRect(width() - 1, 0, 1, height()), theme.hairline);
}

// LabeledSwitch

LabeledSwitch::LabeledSwitch(const QString& label, QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setAccessibleName(label);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LabeledSwitch::showChecked(bool checked)
{
    const QSignalBlocker blocker(this);
    setChecked(checked);
}

void LabeledSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme& theme = Theme::of(*this);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double radius = track.height() / 2;
    painter.setPen(Qt::NoPen);
    QColor off = palette().color(QPalette::WindowText);
    off.setAlphaF(theme.isDark ? 0.25f : 0.18f);
    painter.setBrush(isChecked() ? theme.accent : off);
    painter.drawRoundedRect(track, radius, radius);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        QColor ring = theme.accent;
        ring.setAlphaF(0.5f);
        painter.setPen(QPen(ring, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), radius + 1, radius + 1);
    }
}

// SelectPill

SelectPill::SelectPill(const QString& label, const QList<std::pair<QString, int>>& options, QWidget* parent)
    : QComboBox(parent)
{
    setAccessibleName(label);
    setFont(Theme::font(font(), 12));
    for (const auto& [title, tag] : options)
        addItem(title, tag);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::activated, this,
            [this](int index) { emit tagSelected(itemData(index).toInt()); });
}

int SelectPill::selectedTag() const
{
    return currentData().toInt();
}

void SelectPill::showTag(int tag)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(findData(tag));
}

// TextPill

TextPill::TextPill(const QString& text, const QString& accessibleName, QWidget* parent) : QLabel(text, parent)
{
    setFont(Theme::font(font(), 11.5, QFont::Medium));
    setAlignment(Qt::AlignCenter);
    setAccessibleName(accessibleName);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize TextPill::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 16, metrics.height() + 8};
}

void TextPill::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme& theme = Theme::of(*this);
    painter.setPen(QPen(theme.hairline, 1));
    painter.setBrush(theme.insetSurface);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

// SettingsGroup

SettingsGroup::SettingsGroup(const QString& title, QWidget* parent) : QWidget(parent), m_title(title)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* heading = new ThemedLabel(title.toUpper(), 10, QFont::DemiBold, ThemedLabel::Tone::secondary, this);
    QFont font = heading->font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    heading->setFont(font);
    heading->setAccessibleName(title);
    layout->addWidget(heading);
    m_rows = new QVBoxLayout();
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    layout->addLayout(m_rows);
}

void SettingsGroup::addRow(QWidget* row)
{
    row->setParent(this);
    m_rows->addWidget(row);
}

// SettingsRow

SettingsRow::SettingsRow(const QString& label, const QString& description, QWidget* control, bool showDivider,
                         QWidget* parent)
    : QWidget(parent), m_showDivider(showDivider)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 10, 0, 10);
    layout->setSpacing(16);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(3);
    m_label = new ThemedLabel(label, 12.5, QFont::Medium, ThemedLabel::Tone::primary, this);
    m_label->setWordWrap(true);
    texts->addWidget(m_label);
    m_description = new ThemedLabel(description, 11, QFont::Normal, ThemedLabel::Tone::secondary, this);
    m_description->setWordWrap(true);
    m_description->setMaximumWidth(340);
    m_description->setVisible(!description.isEmpty());
    texts->addWidget(m_description);
    layout->addLayout(texts, 1);
    // The description's width limit caps the text column: the rest of the row stays
    // empty rather than centring the column.
    layout->addStretch(0);
    if (control) {
        control->setParent(this);
        layout->addWidget(control, 0, Qt::AlignRight | Qt::AlignVCenter);
    }
}

void SettingsRow::setDescription(const QString& text)
{
    m_description->setText(text);
    m_description->setVisible(!text.isEmpty());
}

void SettingsRow::paintEvent(QPaintEvent*)
{
    if (!m_showDivider)
        return;
    QPainter painter(this);
    painter.fillRect(QRect(0, height() - 1, width(), 1), Theme::of(*this).hairline);
}

// InfoCard

namespace {

class InfoRowLabel final : public QLabel
{
public:
    InfoRowLabel(const InfoRowText& row, QWidget* parent) : QLabel(parent), m_row(row)
    {
        setFont(Theme::font(font(), 11.5));
        setTextFormat(Qt::RichText);
        setWordWrap(true);
        setIndent(14);
        setAccessibleName(plainText());
        render();
    }
    [[nodiscard]] QString plainText() const
    {
        QStringList parts;
        for (const QString& part : {m_row.lead, m_row.bold, m_row.rest})
            if (!part.isEmpty())
                parts.append(part);
        return parts.join(u' ');
    }

protected:
    void changeEvent(QEvent* event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::PaletteChange)
            render();
    }
    void paintEvent(QPaintEvent* event) override
    {
        QLabel::paintEvent(event);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::of(*this).accent);
        const double y = QFontMetricsF(font()).height() / 2.0;
        painter.drawEllipse(QPointF(4, y), 2.5, 2.5);
    }

private:
    void render()
    {
        const QPalette base = palette();
        const QString secondary = Theme::secondary(base).name(QColor::HexArgb);
        const QString primary = base.color(QPalette::WindowText).name(QColor::HexArgb);
        QStringList html;
        if (!m_row.lead.isEmpty())
            html.append(QStringLiteral("<span style=\"color:%1\">%2</span>")
                            .arg(secondary, m_row.lead.toHtmlEscaped()));
        if (!m_row.bold.isEmpty())
            html.append(
                QStringLiteral("<b style=\"color:%1\">%2</b>").arg(primary, m_row.bold.toHtmlEscaped()));
        if (!m_row.rest.isEmpty())
            html.append(QStringLiteral("<span style=\"color:%1\">%2</span>")
                            .arg(secondary, m_row.rest.toHtmlEscaped()));
        const QString text = html.join(u' ');
        if (text != QLabel::text())
            setText(text);
    }

    InfoRowText m_row;
};

} // namespace

InfoCard::InfoCard(const QList<InfoRowText>& rows, QWidget* parent) : QWidget(parent)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(14, 12, 14, 12);
    m_layout->setSpacing(7);
    for (const InfoRowText& row : rows) {
        auto* label = new InfoRowLabel(row, this);
        m_rows.append(label);
        m_layout->addWidget(label);
    }
    setMaximumWidth(380);
}

void InfoCard::addWidget(QWidget* widget)
{
    widget->setParent(this);
    m_layout->addWidget(widget);
}

QStringList InfoCard::rowTexts() const
{
    QStringList texts;
    for (const QLabel* row : m_rows)
        texts.append(static_cast<const InfoRowLabel*>(row)->plainText());
    return texts;
}

void InfoCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme& theme = Theme::of(*this);
    painter.setPen(QPen(theme.hairline, 1));
    painter.setBrush(theme.insetSurface);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

// ConsentRow

ConsentRow::ConsentRow(const QString& title, const QString& detail, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->setSpacing(14);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(3);
    auto* heading = new ThemedLabel(title, 12.5, QFont::DemiBold, ThemedLabel::Tone::primary, this);
    heading->setWordWrap(true);
    auto* text = new ThemedLabel(detail, 11, QFont::Normal, ThemedLabel::Tone::secondary, this);
    text->setWordWrap(true);
    texts->addWidget(heading);
    texts->addWidget(text);
    layout->addLayout(texts, 1);
    m_switch = new LabeledSwitch(title, this);
    layout->addWidget(m_switch, 0, Qt::AlignVCenter);
    setMaximumWidth(380);
}

void ConsentRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme& theme = Theme::of(*this);
    painter.setPen(QPen(theme.hairline, 1));
    painter.setBrush(theme.insetSurface);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

// StepLayout

namespace {

// The product mark on a 52-point rounded square of the soft accent.
class MarkTile final : public QWidget
{
public:
    explicit MarkTile(QWidget* parent) : QWidget(parent)
    {
        setFixedSize(52, 52);
        auto* mark = new VORNMark(30, this);
        mark->move(11, 11);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::of(*this).accentSoft);
        painter.drawRoundedRect(QRectF(rect()), 12, 12);
    }
};

} // namespace

StepLayout::StepLayout(const QString& title, const QString& description, QWidget* content, QWidget* parent)
    : QWidget(parent)
{
    // Text and content 380 points wide, centred: widgets fill the width between the
    // margins (an alignment in the layout would size word-wrapped text by its hint).
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(new MarkTile(this), 0, Qt::AlignHCenter);
    m_title = new ThemedLabel(title, 18, QFont::Bold, ThemedLabel::Tone::primary, this);
    m_title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(m_title);
    m_description = new ThemedLabel(description, 12.5, QFont::Normal, ThemedLabel::Tone::secondary, this);
    m_description->setAlignment(Qt::AlignHCenter);
    m_description->setWordWrap(true);
    // Line spacing of 3 points over the font's own.
    m_description->setTextFormat(Qt::RichText);
    const int lineHeight = QFontMetrics(m_description->font()).lineSpacing() + 3;
    m_description->setText(QStringLiteral("<div style=\"line-height:%1px\">%2</div>")
                               .arg(lineHeight)
                               .arg(description.toHtmlEscaped()));
    m_description->setAccessibleName(description);
    auto* column = new QVBoxLayout();
    column->setSpacing(10);
    column->addWidget(m_description);
    column->addSpacing(8);
    if (content) {
        content->setParent(this);
        column->addWidget(content);
    }
    auto* centred = new QHBoxLayout();
    centred->addStretch(1);
    auto* holder = new QWidget(this);
    holder->setFixedWidth(380);
    holder->setLayout(column);
    column->setContentsMargins(0, 0, 0, 0);
    centred->addWidget(holder);
    centred->addStretch(1);
    layout->addLayout(centred);
    layout->addStretch(1);
}

QString StepLayout::title() const
{
    return m_title->text();
}

QString StepLayout::descriptionText() const
{
    return m_description->accessibleName();
}
