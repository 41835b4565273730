#include "ToastView.h"

#include "Motion.h"
#include "Symbols.h"
#include "Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int iconSize = 14;
constexpr int spacing = 8;
constexpr int paddingX = 16;
constexpr int paddingY = 9;
constexpr double radius = 10;

} // namespace

ToastView::ToastView(int top, QWidget* parent) : QWidget(parent), m_top(top)
{
    setFont(Theme::font(font(), 12, QFont::Medium));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleDescription(QString());
    hide();
    m_animation = Motion::easeOut(this, Motion::standardMilliseconds, [this](double v) {
        m_progress = v;
        place();
    });
}

void ToastView::present(const std::optional<QString>& message)
{
    const bool show = message.has_value();
    if (show) {
        setMessage(*message);
        resize(sizeHint());
    }
    if (show == m_presented) {
        place();
        return;
    }
    m_presented = show;
    if (show) {
        QWidget::show();
        raise();
    }
    Motion::run(m_animation, m_progress, show ? 1.0 : 0.0, [this] {
        if (!m_presented)
            hide();
    });
}

void ToastView::place()
{
    const int shown = m_top - shadowMargin;
    const int hidden = -height();
    const int y = int(hidden + (shown - hidden) * m_progress);
    const int parentWidth = parentWidget() ? parentWidget()->width() : width();
    move((parentWidth - width()) / 2, y);
    setOpacity(m_progress);
}

void ToastView::setMessage(const QString& message)
{
    m_message = message;
    setAccessibleName(message);
    updateGeometry();
    update();
}

void ToastView::setOpacity(double opacity)
{
    m_opacity = opacity;
    update();
}

QSize ToastView::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int width = iconSize + spacing + metrics.horizontalAdvance(m_message) + 2 * paddingX;
    const int height = std::max(iconSize, metrics.height()) + 2 * paddingY;
    return {width + 2 * shadowMargin, height + 2 * shadowMargin};
}

QRect ToastView::surfaceRect() const
{
    return rect().adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
}

void ToastView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_opacity);
    const Theme& theme = Theme::of(*this);
    const QRectF surface = surfaceRect();

    // Shadow: black at 18 %, blurred over about 14 points, 5 points down. Layers of
    // growing rounded rectangles approximate the blur.
    constexpr int layers = 7;
    for (int i = layers; i >= 1; --i) {
        const double spread = 14.0 * i / layers;
        QColor shade(0, 0, 0);
        shade.setAlphaF(float(0.18 / layers * 1.4 * (1.0 - double(i - 1) / layers)));
        painter.setPen(Qt::NoPen);
        painter.setBrush(shade);
        painter.drawRoundedRect(
            surface.translated(0, 5).adjusted(-spread / 2, -spread / 2, spread / 2, spread / 2),
            radius + spread / 2, radius + spread / 2);
    }

    painter.setPen(QPen(theme.hairline, 1));
    painter.setBrush(theme.toastSurface);
    painter.drawRoundedRect(surface.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    const QRectF icon(surface.left() + paddingX, surface.center().y() - iconSize / 2.0, iconSize, iconSize);
    Symbols::paint(painter, Symbol::checkmarkCircleFill, icon, theme.success);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    const QRectF text(icon.right() + spacing, surface.top(),
                      surface.right() - paddingX - icon.right() - spacing, surface.height());
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, m_message);
}
