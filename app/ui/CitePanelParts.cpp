#include "CitePanelParts.h"

#include "Motion.h"
#include "Theme.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextCursor>

// FormatBox

FormatBox::FormatBox(QString label, FormattedCitation citation, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), m_label(std::move(label)), m_citation(std::move(citation)),
      m_action(std::move(action))
{
    setFont(Theme::font(font(), 12));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // The value of the control is the citation; the name says which one it is.
    setText(m_citation.plainText());
    setAccessibleName(m_label);
    setAccessibleDescription(QStringLiteral("Copies the citation to the clipboard"));
    setToolTip(QStringLiteral("Copy this ") + m_label);
    m_document.setDocumentMargin(0);
    m_document.setUndoRedoEnabled(false);
    buildDocument();
    m_hoverAnimation = Motion::easeOut(this, Motion::hoverMilliseconds, [this](double v) {
        m_hover = v;
        update();
    });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

void FormatBox::buildDocument()
{
    m_document.clear();
    m_document.setDefaultFont(font());
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_document.setDefaultTextOption(option);
    QTextCursor cursor(&m_document);
    for (const FormattedCitation::Run& run : m_citation.runs()) {
        QTextCharFormat format;
        format.setFontItalic(run.isItalic);
        // Line breaks of hostile data stay inside the one paragraph.
        QString text = run.text;
        text.replace(u'\n', u' ');
        cursor.insertText(text, format);
    }
}

int FormatBox::heightForWidth(int width) const
{
    m_document.setTextWidth(std::max(1, width - 2 * horizontalPadding));
    return int(std::ceil(m_document.size().height())) + 2 * verticalPadding;
}

QSize FormatBox::sizeHint() const
{
    constexpr int width = 420;
    return {width, heightForWidth(width)};
}

QSize FormatBox::minimumSizeHint() const
{
    return {2 * horizontalPadding + 40, QFontMetrics(font()).height() + 2 * verticalPadding};
}

void FormatBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme& theme = Theme::of(*this);
    QColor fill = theme.insetSurface;
    const QColor hovered = theme.accentSoft;
    fill = QColor::fromRgbF(fill.redF() + (hovered.redF() - fill.redF()) * m_hover,
                            fill.greenF() + (hovered.greenF() - fill.greenF()) * m_hover,
                            fill.blueF() + (hovered.blueF() - fill.blueF()) * m_hover,
                            fill.alphaF() + (hovered.alphaF() - fill.alphaF()) * m_hover);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    if (hasFocus()) {
        painter.setPen(QPen(theme.accent, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), cornerRadius - 0.75,
                                cornerRadius - 0.75);
    }

    m_document.setTextWidth(std::max(1, width() - 2 * horizontalPadding));
    painter.translate(horizontalPadding, verticalPadding);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    m_document.documentLayout()->draw(&painter, context);
}

void FormatBox::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    Motion::run(m_hoverAnimation, m_hover, hovered ? 1.0 : 0.0);
}

void FormatBox::enterEvent(QEnterEvent* event)
{
    setHovered(true);
    QAbstractButton::enterEvent(event);
}

void FormatBox::leaveEvent(QEvent* event)
{
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void FormatBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        buildDocument();
        updateGeometry();
    }
    QAbstractButton::changeEvent(event);
}

// OutlineButton

OutlineButton::OutlineButton(const QString& title, QWidget* parent) : QAbstractButton(parent)
{
    setText(title);
    setAccessibleName(title);
    setFont(Theme::font(font(), 11.5, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize OutlineButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2 * 10, metrics.height() + 2 * 4};
}

void OutlineButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme& theme = Theme::of(*this);
    constexpr double radius = 7;
    const QRectF outline = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setBrush(isDown() ? theme.accentSoft : QColor(Qt::transparent));
    painter.setPen(QPen(hasFocus() ? theme.accent : theme.accentDeep, hasFocus() ? 1.5 : 1.0));
    painter.drawRoundedRect(outline, radius, radius);
    painter.setPen(theme.accentDeep);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void OutlineButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)
        update();
    QAbstractButton::changeEvent(event);
}
