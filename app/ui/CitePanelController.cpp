#include "CitePanelController.h"

#include "AppCoordinator.h"
#include "CitePanelView.h"
#include "FloatingPanel.h"
#include "ResultPanelController.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

CitePanelController::CitePanelController(AppCoordinator& coordinator, QObject* parent)
    : QObject(parent), m_coordinator(&coordinator),
      m_panel(std::make_unique<FloatingKeyablePanel>(CitePanelView::cornerRadius))
{
    m_panel->setWindowTitle(QStringLiteral("Cite"));
    m_panel->setAccessibleName(QStringLiteral("Cite"));
    auto* layout = new QVBoxLayout(m_panel.get());
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new CitePanelView(coordinator, m_panel.get());
    layout->addWidget(m_view);
    m_panel->resize(contentWidth, contentHeight);
    m_panel->onCancel = [this] {
        if (m_coordinator)
            m_coordinator->dismissCite();
    };
    connect(m_view, &CitePanelView::preferredSizeChanged, this, [this] {
        if (m_panel->isVisible())
            layoutWindow();
    });
}

CitePanelController::~CitePanelController() = default;

qsizetype CitePanelController::targetScreen(const QRect& over, const QList<QRect>& screens, qsizetype primary)
{
    // A point still lies on a screen.
    const QRect probe(over.topLeft(), over.size().expandedTo(QSize(1, 1)));
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (screens[i].intersects(probe))
            return i;
    }
    return primary >= 0 && primary < screens.size() ? primary : -1;
}

QPoint CitePanelController::placement(const QRect& over, QSize size, const std::optional<QRect>& visible)
{
    const QPointF centre = QRectF(over).center();
    QPoint origin(int(std::lround(centre.x() - size.width() / 2.0)),
                  int(std::lround(centre.y() - size.height() / 2.0)));
    if (!visible)
        return origin;
    // Lower bound first, then the upper bound, which wins for a window larger than the frame.
    const int left = visible->left() + screenMargin;
    const int right = visible->left() + visible->width() - size.width() - screenMargin;
    const int top = visible->top() + screenMargin;
    const int bottom = visible->top() + visible->height() - size.height() - screenMargin;
    origin.setX(std::min(std::max(origin.x(), left), right));
    origin.setY(std::min(std::max(origin.y(), top), bottom));
    return origin;
}

void CitePanelController::show(const std::optional<ScreenRect>& over)
{
    layoutWindow();
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect primaryFrame = primary ? primary->geometry() : QRect();
    const QRect target =
        over ? ResultPanelController::toGlobal(*over, primaryFrame) : QRect(QCursor::pos(), QSize(0, 0));

    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> frames;
    for (const QScreen* screen : screens)
        frames.append(screen->geometry());
    const qsizetype index = targetScreen(target, frames, screens.indexOf(primary));
    const std::optional<QRect> visible =
        index >= 0 ? std::optional<QRect>(screens[index]->availableGeometry()) : std::nullopt;
    m_panel->move(placement(target, m_panel->size(), visible));

    // In front of every window and ready for the keyboard (Escape closes it).
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
    if (!m_panel->focusWidget())
        m_panel->setFocus(Qt::OtherFocusReason); // no control looks focused until the keyboard moves
}

void CitePanelController::hide()
{
    m_panel->hide();
}

void CitePanelController::layoutWindow()
{
    // The view's size, at least as tall as its strip without a reference.
    const QSize size = m_view->preferredSize();
    if (m_panel->size() != size)
        m_panel->resize(size);
}
