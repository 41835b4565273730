#include "FloatingPanel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainterPath>
#include <QRegion>
#include <QWindow>

namespace {

std::function<bool(const QScreen*)>& compositingProbe()
{
    static std::function<bool(const QScreen*)> probe;
    return probe;
}

} // namespace

WindowDragHandle::WindowDragHandle(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
}

void WindowDragHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    QWindow* handle = window()->windowHandle();
    if (handle && handle->startSystemMove())
        return;
    m_grabOffset = event->globalPosition().toPoint() - window()->pos();
}

void WindowDragHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_grabOffset) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    window()->move(event->globalPosition().toPoint() - *m_grabOffset);
    event->accept();
}

void WindowDragHandle::mouseReleaseEvent(QMouseEvent* event)
{
    m_grabOffset.reset();
    QWidget::mouseReleaseEvent(event);
}

FloatingKeyablePanel::FloatingKeyablePanel(double cornerRadius, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_cornerRadius(cornerRadius)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
}

FloatingKeyablePanel::~FloatingKeyablePanel() = default;

void FloatingKeyablePanel::setCompositingProbe(std::function<bool(const QScreen*)> probe)
{
    compositingProbe() = std::move(probe);
}

bool FloatingKeyablePanel::isComposited(const QScreen* screen)
{
    const auto& probe = compositingProbe();
    return probe && probe(screen);
}

void FloatingKeyablePanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        if (onCancel)
            onCancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FloatingKeyablePanel::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    emit moved();
}

void FloatingKeyablePanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateMask();
    emit resized();
}

void FloatingKeyablePanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_filterInstalled && windowHandle()) {
        // Clicks reach the window before any child: the first one activates the panel.
        windowHandle()->installEventFilter(this);
        m_filterInstalled = true;
    }
    updateMask();
}

bool FloatingKeyablePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::MouseButtonPress && !isActiveWindow())
        activateWindow();
    return QWidget::eventFilter(watched, event);
}

void FloatingKeyablePanel::updateMask()
{
    const auto& probe = compositingProbe();
    if (probe && probe(screen())) {
        clearMask();
        return;
    }
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}
