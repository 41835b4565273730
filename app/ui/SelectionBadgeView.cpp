#include "SelectionBadgeView.h"

#include "Motion.h"
#include "Symbols.h"
#include "Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

const QString SelectionBadgeView::toolTipText = QStringLiteral("Find citations with VORN Cite");
const QString SelectionBadgeView::accessibilityLabel = QStringLiteral("Find citations for selected text");

namespace {

constexpr double cornerRadius = 12;
constexpr double markSize = 21;
constexpr int appearMilliseconds = 280;

double mix(double from, double to, double t)
{
    return from + (to - from) * t;
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return color;
}

QPainterPath roundedSquare(const QRectF& rect)
{
    QPainterPath path;
    path.addRoundedRect(rect, cornerRadius, cornerRadius);
    return path;
}

// A soft shadow of the rounded square: rings of falling opacity out to radius.
void paintShadow(QPainter& painter, const QRectF& rect, const QColor& color, double opacity, double radius,
                 double offsetDown)
{
    const int rings = std::max(1, int(std::round(radius)));
    painter.setPen(Qt::NoPen);
    for (int i = rings; i >= 1; --i) {
        const double spread = radius * i / rings;
        const double weight = 1.0 - double(i - 1) / rings;
        const QRectF ring = rect.adjusted(-spread, -spread, spread, spread).translated(0, offsetDown);
        QPainterPath path;
        path.addRoundedRect(ring, cornerRadius + spread, cornerRadius + spread);
        painter.setBrush(withAlpha(color, opacity * weight * weight * 2.0 / rings));
        painter.drawPath(path);
    }
}

} // namespace

SelectionBadgeView::SelectionBadgeView(QWidget* parent) : QAbstractButton(parent)
{
    setFixedSize(contentSize, contentSize);
    setToolTip(toolTipText);
    setAccessibleName(accessibilityLabel);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (onFindCitations)
            onFindCitations();
    });
    m_appearAnimation = Motion::easeOut(this, appearMilliseconds, [this](double value) {
        m_appearance = value;
        update();
    });
    // A spring that overshoots a little before it settles.
    m_appearAnimation->setEasingCurve(QEasingCurve(QEasingCurve::OutBack));
    m_hoverAnimation = Motion::easeOut(this, Motion::hoverMilliseconds, [this](double value) {
        m_hover = value;
        update();
    });
}

SelectionBadgeView::~SelectionBadgeView() = default;

QRectF SelectionBadgeView::badgeRect()
{
    const double margin = (contentSize - badgeSize) / 2.0;
    return {margin, margin, double(badgeSize), double(badgeSize)};
}

void SelectionBadgeView::showEvent(QShowEvent* event)
{
    QAbstractButton::showEvent(event);
    if (m_hasAppeared)
        return;
    m_hasAppeared = true;
    Motion::run(m_appearAnimation, 0, 1);
}

bool SelectionBadgeView::hitButton(const QPoint& position) const
{
    return roundedSquare(badgeRect()).contains(QPointF(position));
}

void SelectionBadgeView::mouseMoveEvent(QMouseEvent* event)
{
    setHovered(hitButton(event->position().toPoint()));
    QAbstractButton::mouseMoveEvent(event);
}

void SelectionBadgeView::leaveEvent(QEvent* event)
{
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void SelectionBadgeView::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    Motion::run(m_hoverAnimation, m_hover, hovered ? 1 : 0);
}

void SelectionBadgeView::paintEvent(QPaintEvent*)
{
    const Theme& theme = Theme::of(*this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(std::clamp(m_appearance, 0.0, 1.0));

    const QRectF square = badgeRect();
    const double scale = mix(0.6, 1.0, m_appearance) * mix(1.0, 1.1, m_hover);
    painter.translate(square.center());
    painter.scale(scale, scale);
    painter.translate(-square.center());

    paintShadow(painter, square, theme.accent, mix(0.40, 0.55, m_hover), mix(8, 12, m_hover), 3);
    paintShadow(painter, square, Qt::black, 0.22, 3, 1);

    QLinearGradient gradient(square.topLeft(), square.bottomLeft());
    gradient.setColorAt(0, withAlpha(theme.accent, mix(0.96, 1.0, m_hover)));
    gradient.setColorAt(1, theme.accentDeep);
    const QPainterPath body = roundedSquare(square);
    painter.fillPath(body, gradient);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(withAlpha(Qt::white, 0.35), 1));
    painter.drawPath(roundedSquare(square.adjusted(0.5, 0.5, -0.5, -0.5)));
    painter.setPen(QPen(withAlpha(Qt::black, 0.18), 0.5));
    QPainterPath outer;
    outer.addRoundedRect(square.adjusted(-0.75, -0.75, 0.75, 0.75), cornerRadius + 0.75, cornerRadius + 0.75);
    painter.drawPath(outer);

    const QRectF mark(square.center().x() - markSize / 2, square.center().y() - markSize / 2, markSize,
                      markSize);
    Symbols::paintVORNMark(painter, mark, Qt::white);
}
