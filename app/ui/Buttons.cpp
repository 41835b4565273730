#include "Buttons.h"

#include "Symbols.h"
#include "Theme.h"

#include <QEvent>
#include <QPainter>

namespace {

constexpr double radius = 7;

} // namespace

StyledButton::StyledButton(const QString& title, Kind kind, bool compact, QWidget* parent)
    : QAbstractButton(parent), m_kind(kind), m_compact(compact)
{
    setText(title);
    setFont(Theme::font(font(), compact ? 11.5 : 12.5, QFont::Medium));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StyledButton::setKind(Kind kind)
{
    m_kind = kind;
    update();
}

QSize StyledButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int horizontal = m_compact ? 12 : 18;
    const int vertical = m_compact ? 6 : 8;
    return {metrics.horizontalAdvance(text()) + 2 * horizontal, metrics.height() + 2 * vertical};
}

void StyledButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        updateGeometry();
    QAbstractButton::changeEvent(event);
}

void StyledButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme& theme = Theme::of(*this);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor textColor;
    if (m_kind == Kind::primary) {
        QColor fill = theme.accentDeep;
        if (isDown())
            fill.setAlphaF(0.8f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(shape, radius, radius);
        textColor = Qt::white;
    } else {
        QColor fill = theme.cardSurface;
        if (isDown())
            fill.setAlphaF(0.7f);
        painter.setPen(QPen(theme.hairline, 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(shape, radius, radius);
        textColor = palette().color(QPalette::WindowText);
    }
    if (hasFocus()) {
        QColor ring = theme.accent;
        ring.setAlphaF(0.6f);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius, radius);
    }
    painter.setPen(textColor);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

CircularCloseButton::CircularCloseButton(QWidget* parent) : QAbstractButton(parent)
{
    setFixedSize(20, 20);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Close"));
}

void CircularCloseButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor fill = Theme::quaternaryFill(palette());
    if (isDown())
        fill.setAlphaF(0.2f);
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(rect()));
    if (hasFocus()) {
        painter.setPen(QPen(Theme::of(*this).accent, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75));
    }
    // A 9-point bold glyph: the cross fills about 7 of its points.
    const QRectF glyph(QPointF(0, 0), QSizeF(9, 9));
    Symbols::paint(painter, Symbol::xmark, glyph.translated(QRectF(rect()).center() - glyph.center()),
                   Theme::secondary(palette()));
}
