#include "ReferenceCard.h"

#include "Motion.h"
#include "ReferenceGroups.h"
#include "SpacedText.h"
#include "Symbols.h"
#include "Theme.h"

#include <QBoxLayout>
#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

namespace {

constexpr double cardRadius = 9;
constexpr double quoteRadius = 6;
constexpr int quotePaddingX = 7;
constexpr int quotePaddingY = 8;
constexpr int quoteTrailingRoom = 20;
constexpr int collapsedLines = 2;
constexpr int quoteLineSpacing = 2;
// The quote's width in a card of the 380-point result panel (list and card padding
// off both sides), used until the layout gives it its own.
constexpr int typicalQuoteWidth = 380 - 2 * 14 - 2 * 12;

QLabel* makeLabel(const QString& text, double pixelSize, QFont::Weight weight, bool secondary,
                  QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(Theme::font(label->font(), pixelSize, weight));
    if (secondary)
        label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

// GroupLabel

GroupLabel::GroupLabel(const QString& text, QWidget* parent) : QLabel(text.toUpper(), parent)
{
    setTextFormat(Qt::PlainText);
    QFont f = Theme::font(font(), 10, QFont::Bold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    setFont(f);
    setForegroundRole(QPalette::PlaceholderText);
    setContentsMargins(2, 6, 2, 0);
    setAccessibleName(text);
}

// NumberChip

NumberChip::NumberChip(int index, QWidget* parent) : QLabel(parent), m_index(index)
{
    setForegroundRole(QPalette::PlaceholderText);
    setFont(Theme::font(font(), showsSymbol() ? 14 : 10, QFont::Bold));
    if (!showsSymbol())
        setText(QString::number(index));
    setAccessibleName(QString::number(index));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize NumberChip::sizeHint() const
{
    if (!showsSymbol())
        return QLabel::sizeHint();
    return {15, 15};
}

void NumberChip::paintEvent(QPaintEvent* event)
{
    if (!showsSymbol()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    Symbols::paint(painter, Symbol::numberSquareFill, QRectF(rect()), Theme::secondary(palette()), m_index);
}

// PlainTextButton

PlainTextButton::PlainTextButton(const QString& text, double pixelSize, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(text);
    setFont(Theme::font(font(), pixelSize));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize PlainTextButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2, metrics.height()};
}

void PlainTextButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor color = Theme::secondary(palette());
    if (m_hovered || isDown())
        color = palette().color(QPalette::WindowText);
    painter.setPen(color);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    painter.drawText(rect(), Qt::AlignVCenter | Qt::AlignLeft,
                     metrics.elidedText(text(), Qt::ElideRight, width()));
    if (hasFocus()) {
        painter.setPen(QPen(Theme::of(*this).accent, 1));
        painter.drawLine(0, height() - 1, std::min(width(), metrics.horizontalAdvance(text())), height() - 1);
    }
}

void PlainTextButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PlainTextButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

// QuoteDisclosureButton

QuoteDisclosureButton::QuoteDisclosureButton(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setFixedSize(24, 22);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    m_rotationAnimation = Motion::easeOut(this, Motion::standardMilliseconds, [this](double v) {
        m_rotation = v;
        update();
    });
    m_hoverAnimation = Motion::easeOut(this, Motion::hoverMilliseconds, [this](double v) {
        m_hover = v;
        update();
    });
    connect(this, &QAbstractButton::toggled, this, [this](bool expanded) {
        updateTexts();
        Motion::run(m_rotationAnimation, m_rotation, expanded ? 1.0 : 0.0);
    });
    updateTexts();
}

void QuoteDisclosureButton::updateTexts()
{
    setToolTip(isExpanded() ? QStringLiteral("Show less") : QStringLiteral("Show the full excerpt"));
    setAccessibleName(isExpanded() ? QStringLiteral("Collapse quote") : QStringLiteral("Expand quote"));
}

void QuoteDisclosureButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    Motion::run(m_hoverAnimation, m_hover, 1.0);
    QAbstractButton::enterEvent(event);
}

void QuoteDisclosureButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    Motion::run(m_hoverAnimation, m_hover, 0.0);
    QAbstractButton::leaveEvent(event);
}

void QuoteDisclosureButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_hover > 0 || hasFocus()) {
        QColor fill = Theme::quaternaryFill(palette());
        fill.setAlphaF(fill.alphaF() * float(hasFocus() ? 1.0 : m_hover));
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), 5, 5);
    }
    const QColor secondary = Theme::secondary(palette());
    const QColor primary = palette().color(QPalette::WindowText);
    const QColor color =
        QColor::fromRgbF(float(secondary.redF() + (primary.redF() - secondary.redF()) * m_hover),
                         float(secondary.greenF() + (primary.greenF() - secondary.greenF()) * m_hover),
                         float(secondary.blueF() + (primary.blueF() - secondary.blueF()) * m_hover),
                         float(secondary.alphaF() + (primary.alphaF() - secondary.alphaF()) * m_hover));
    painter.translate(QRectF(rect()).center());
    painter.rotate(180.0 * m_rotation);
    Symbols::paint(painter, Symbol::chevronDown, QRectF(-5, -5, 10, 10), color);
}

// QuoteBlock

QuoteBlock::QuoteBlock(QStringList quotes, QWidget* parent)
    : QWidget(parent), m_quotes(std::move(quotes)),
      m_text(makeLabel(QString(), 11.5, QFont::Normal, true, this)), m_button(new QuoteDisclosureButton(this))
{
    m_text->setTextFormat(Qt::RichText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setCursor(Qt::IBeamCursor);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(m_button, &QAbstractButton::toggled, this, [this] {
        relayout();
        updateGeometry();
    });
    showText(textFor(textWidthFor(typicalQuoteWidth)));
}

bool QuoteBlock::isExpanded() const
{
    return m_button->isExpanded();
}

void QuoteBlock::setExpanded(bool expanded)
{
    m_button->setChecked(expanded);
}

QString QuoteBlock::displayedText() const
{
    return m_shown;
}

void QuoteBlock::showText(const QString& text)
{
    if (text == m_shown && !m_text->text().isEmpty())
        return;
    m_shown = text;
    m_text->setText(SpacedText::html(text, quoteLineSpacing));
    m_text->setAccessibleName(text);
}

int QuoteBlock::textWidthFor(int width) const
{
    return std::max(20, width - 2 * quotePaddingX - quoteTrailingRoom);
}

QString QuoteBlock::textFor(int textWidth) const
{
    if (m_quotes.isEmpty())
        return {};
    if (isExpanded()) {
        QStringList all;
        for (const QString& quote : m_quotes)
            all.append(ReferenceText::quoted(quote));
        return all.join(QLatin1Char('\n'));
    }
    // The first quote in at most two lines, the second one ending in an ellipsis.
    const QString first = ReferenceText::quoted(m_quotes.first());
    QTextLayout layout(first, m_text->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<std::pair<int, int>> lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(textWidth);
        lines.append({line.textStart(), line.textLength()});
    }
    layout.endLayout();
    if (lines.size() <= collapsedLines)
        return first;
    const QString head = first.mid(lines[0].first, lines[0].second).trimmed();
    const QString rest = first.mid(lines[1].first);
    // A little room, so that the label never breaks the shortened line again.
    const QString tail = QFontMetrics(m_text->font()).elidedText(rest, Qt::ElideRight, textWidth - 4);
    return head + QLatin1Char('\n') + tail;
}

int QuoteBlock::heightForWidth(int width) const
{
    // Layouts ask again and again for the same width: keep the last answer.
    if (width == m_measuredWidth && isExpanded() == m_measuredExpanded)
        return m_measuredHeight;
    const int textWidth = textWidthFor(width);
    m_measuredWidth = width;
    m_measuredExpanded = isExpanded();
    m_measuredHeight = SpacedText::height(m_text->font(), textWidth, textFor(textWidth), quoteLineSpacing) +
                       2 * quotePaddingY;
    return m_measuredHeight;
}

QSize QuoteBlock::sizeHint() const
{
    return {typicalQuoteWidth, heightForWidth(typicalQuoteWidth)};
}

QSize QuoteBlock::minimumSizeHint() const
{
    return {60, heightForWidth(width() > 0 ? width() : sizeHint().width())};
}

void QuoteBlock::relayout()
{
    const int textWidth = textWidthFor(width());
    showText(textFor(textWidth));
    m_text->setGeometry(quotePaddingX, quotePaddingY, textWidth, std::max(0, height() - 2 * quotePaddingY));
    m_button->move(width() - m_button->width() - 2, height() - m_button->height() - 2);
}

void QuoteBlock::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void QuoteBlock::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::of(*this).insetSurface);
    painter.drawRoundedRect(QRectF(rect()), quoteRadius, quoteRadius);
}

// CiteButton

CiteButton::CiteButton(QWidget* parent) : QAbstractButton(parent)
{
    setText(QStringLiteral("Cite"));
    setFont(Theme::font(font(), 10.5, QFont::DemiBold));
    setToolTip(QStringLiteral("Copy a formatted citation"));
    setAccessibleName(QStringLiteral("Cite"));
    setAccessibleDescription(QStringLiteral("Shows citation formats to copy"));
    setCursor(Qt::PointingHandCursor);
    // Keyboard focus only: a click must not keep the button shown after the pointer left.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_animation = Motion::easeOut(this, Motion::hoverMilliseconds, [this](double v) {
        m_reveal = v;
        update();
    });
}

QSize CiteButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int icon = 10;
    return {9 + icon + 4 + metrics.horizontalAdvance(text()) + 9 + 3, metrics.height() + 2 * 3};
}

void CiteButton::setRevealed(bool revealed)
{
    if (revealed == m_revealed)
        return;
    m_revealed = revealed;
    Motion::run(m_animation, m_reveal, revealed ? 1.0 : 0.0);
}

void CiteButton::paintEvent(QPaintEvent*)
{
    if (m_reveal <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_reveal);
    // Hidden, the capsule sits 3 points to the right; the room for that is its margin.
    painter.translate(3.0 * (1.0 - m_reveal), 0);
    const Theme& theme = Theme::of(*this);
    const bool hot = m_hovered || isDown();
    const QColor fill = hot ? theme.accentDeep : theme.citeSurface;
    const QColor ink = hot ? QColor(Qt::white) : theme.accentDark;
    const QRectF capsule = QRectF(0, 0, width() - 3, height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    if (hasFocus()) {
        painter.setPen(QPen(theme.accent, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(capsule.adjusted(0.75, 0.75, -0.75, -0.75), capsule.height() / 2 - 0.75,
                                capsule.height() / 2 - 0.75);
    }
    const QRectF icon(9, (height() - 10) / 2.0, 10, 10);
    painter.fillPath(Symbols::lucideQuoteShape(icon), ink);
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(QRectF(icon.right() + 4, 0, capsule.width() - icon.right() - 4, height()),
                     Qt::AlignVCenter | Qt::AlignLeft, text());
}

void CiteButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CiteButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CiteButton::focusInEvent(QFocusEvent* event)
{
    QAbstractButton::focusInEvent(event);
    emit focusChanged(true);
}

void CiteButton::focusOutEvent(QFocusEvent* event)
{
    QAbstractButton::focusOutEvent(event);
    emit focusChanged(false);
}

// ReferenceCard

ReferenceCard::ReferenceCard(int index, LiteratureReference reference, bool includeEvidence,
                             std::function<void()> open, std::function<void()> cite, QWidget* parent)
    : QWidget(parent), m_index(index), m_reference(std::move(reference))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 11, 12, 10);
    column->setSpacing(3);

    auto* heading = new QHBoxLayout;
    heading->setSpacing(0);
    m_chip = new NumberChip(index, this);
    m_title = makeLabel(m_reference.title, 12.5, QFont::Bold, false, this);
    const int twoSpaces = QFontMetrics(m_title->font()).horizontalAdvance(QStringLiteral("  "));
    heading->addWidget(m_chip, 0, Qt::AlignTop);
    heading->addSpacing(twoSpaces);
    heading->addWidget(m_title, 1);
    // The chip's centre sits on the title's first line.
    m_chip->setContentsMargins(0, 0, 0, 0);
    const int firstLine = QFontMetrics(m_title->font()).height();
    heading->setContentsMargins(0, 0, 0, 0);
    m_chip->setFixedHeight(std::max(m_chip->sizeHint().height(), firstLine));
    column->addLayout(heading);

    m_metadata = makeLabel(ReferenceText::metadataLine(m_reference), 11, QFont::Normal, true, this);
    m_metadata->setVisible(!m_metadata->text().isEmpty());
    column->addWidget(m_metadata);

    const QStringList quotes = ReferenceText::evidenceQuotes(m_reference);
    if (includeEvidence && !quotes.isEmpty()) {
        m_quote = new QuoteBlock(quotes, this);
        column->addSpacing(3);
        column->addWidget(m_quote);
    }

    auto* foot = new QHBoxLayout;
    foot->setSpacing(8);
    m_foot = new PlainTextButton(ReferenceText::footLine(m_reference), 10.5, this);
    m_foot->setToolTip(QStringLiteral("Open PMID ") + m_reference.pmid + QStringLiteral(" in PubMed"));
    m_foot->setAccessibleName(m_foot->text());
    m_foot->setAccessibleDescription(QStringLiteral("Opens the article on PubMed"));
    connect(m_foot, &QAbstractButton::clicked, this, [open = std::move(open)] {
        if (open)
            open();
    });
    m_cite = new CiteButton(this);
    connect(m_cite, &QAbstractButton::clicked, this, [cite = std::move(cite)] {
        if (cite)
            cite();
    });
    connect(m_cite, &CiteButton::focusChanged, this, [this] { updateCiteVisibility(); });
    foot->addWidget(m_foot, 0, Qt::AlignVCenter);
    foot->addStretch(1);
    foot->addWidget(m_cite, 0, Qt::AlignVCenter);
    column->addSpacing(2);
    column->addLayout(foot);

    setAttribute(Qt::WA_Hover);
    setAccessibleName(m_reference.title);
}

void ReferenceCard::updateCiteVisibility()
{
    m_cite->setRevealed(m_hovered || m_cite->hasFocus());
}

void ReferenceCard::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    updateCiteVisibility();
    QWidget::enterEvent(event);
}

void ReferenceCard::leaveEvent(QEvent* event)
{
    m_hovered = false;
    updateCiteVisibility();
    QWidget::leaveEvent(event);
}

void ReferenceCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme& theme = Theme::of(*this);
    painter.setPen(QPen(theme.hairline, 1));
    painter.setBrush(theme.cardSurface);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cardRadius, cardRadius);
}
