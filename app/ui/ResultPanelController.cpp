#include "ResultPanelController.h"

#include "AppCoordinator.h"
#include "FloatingPanel.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QRect primaryGeometry()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect();
}

QScreen* screenAt(QPoint point)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().contains(point))
            return screen;
    }
    return nullptr;
}

} // namespace

ResultPanelController::ResultPanelController(AppCoordinator& coordinator, ResultPanelView::Actions actions,
                                             QObject* parent)
    : QObject(parent), m_coordinator(&coordinator),
      m_panel(std::make_unique<FloatingKeyablePanel>(ResultPanelView::cornerRadius))
{
    m_panel->setWindowTitle(QStringLiteral("VORN Citations"));
    m_panel->setAccessibleName(QStringLiteral("VORN Citations"));
    auto* layout = new QVBoxLayout(m_panel.get());
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new ResultPanelView(coordinator, m_panel.get());
    layout->addWidget(m_view);
    m_panel->resize(ResultPanelView::panelWidth, 420);
    m_panel->onCancel = [this] { hide(); };
    setActions(std::move(actions));

    connect(m_view, &ResultPanelView::preferredSizeChanged, this, [this] {
        if (m_panel->isVisible())
            layoutWindow();
    });
    connect(m_panel.get(), &FloatingKeyablePanel::resized, this, &ResultPanelController::windowDidResize);
    connect(m_panel.get(), &FloatingKeyablePanel::moved, this, &ResultPanelController::windowDidMove);
}

ResultPanelController::~ResultPanelController() = default;

void ResultPanelController::setActions(ResultPanelView::Actions actions)
{
    m_actions = std::move(actions);
    ResultPanelView::Actions forView = m_actions;
    forView.close = [this] { hide(); };
    m_view->setActions(std::move(forView));
}

qsizetype ResultPanelController::targetScreen(const std::optional<QRect>& anchor, const QList<QRect>& screens,
                                              QPoint pointer, qsizetype primary)
{
    if (anchor) {
        // A caret has no area: it still lies on a screen.
        const QRect probe(anchor->topLeft(), anchor->size().expandedTo(QSize(1, 1)));
        for (qsizetype i = 0; i < screens.size(); ++i) {
            if (screens[i].intersects(probe))
                return i;
        }
    }
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (screens[i].contains(pointer))
            return i;
    }
    return primary >= 0 && primary < screens.size() ? primary : -1;
}

QPoint ResultPanelController::pinned(QPoint topLeft, int height, const QRect& visible)
{
    // Qt's y grows downward: the bottom edge is at most screenMargin above the visible bottom.
    const int lowestTop = visible.top() + visible.height() - screenMargin - height;
    return {topLeft.x(), std::min(topLeft.y(), lowestTop)};
}

QRect ResultPanelController::toGlobal(const ScreenRect& rect, const QRect& primaryScreen)
{
    const double top = primaryScreen.top() + primaryScreen.height() - rect.y - rect.height;
    return QRectF(rect.x + primaryScreen.left(), top, rect.width, rect.height).toAlignedRect();
}

ScreenRect ResultPanelController::toDesktop(const QRect& rect, const QRect& primaryScreen)
{
    return ScreenRect{double(rect.x() - primaryScreen.left()),
                      double(primaryScreen.top() + primaryScreen.height() - rect.y() - rect.height()),
                      double(rect.width()), double(rect.height())};
}

void ResultPanelController::show(const std::optional<ScreenRect>& anchor)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> frames;
    for (const QScreen* screen : screens)
        frames.append(screen->geometry());
    const QRect primary = primaryGeometry();
    const std::optional<QRect> anchorRect =
        anchor ? std::optional<QRect>(toGlobal(*anchor, primary)) : std::nullopt;
    const qsizetype index =
        targetScreen(anchorRect, frames, QCursor::pos(), screens.indexOf(QGuiApplication::primaryScreen()));
    QScreen* target = index >= 0 ? screens[index] : nullptr;
    if (target && m_coordinator)
        m_coordinator->limitResultPanelHeight(target->availableGeometry().height() - heightReserve);

    layoutWindow();
    if (!m_panel->isVisible() && target) {
        const QRect visible = target->availableGeometry();
        pin(QPoint(visible.left() + visible.width() - screenMargin - m_panel->width(),
                   visible.top() + screenMargin));
    }
    // Shown above everything without taking the keyboard from the user's application.
    m_panel->show();
    m_panel->raise();
    if (!m_panel->focusWidget())
        m_panel->setFocus(Qt::OtherFocusReason); // no control looks focused until the keyboard moves
    if (m_coordinator && !m_coordinator->isResultPanelVisible())
        m_coordinator->setResultPanelVisible(true);
}

void ResultPanelController::hide()
{
    if (m_coordinator && m_coordinator->phase() == ResultPanelPhase::loading)
        m_coordinator->cancelQuery();
    m_panel->hide();
    m_pinnedTopLeft.reset();
    if (m_coordinator && m_coordinator->isResultPanelVisible())
        m_coordinator->setResultPanelVisible(false);
}

std::optional<ScreenRect> ResultPanelController::frame() const
{
    if (!m_panel->isVisible())
        return std::nullopt;
    return toDesktop(m_panel->frameGeometry(), primaryGeometry());
}

void ResultPanelController::layoutWindow()
{
    const QSize size(ResultPanelView::panelWidth, m_view->preferredHeight());
    if (m_panel->size() == size)
        return;
    if (m_pinnedTopLeft) {
        // Size and place in one step, so the corner never jumps.
        QScreen* screen = screenAt(*m_pinnedTopLeft);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        const QPoint topLeft =
            screen ? pinned(*m_pinnedTopLeft, size.height(), screen->availableGeometry()) : *m_pinnedTopLeft;
        m_pinnedTopLeft = topLeft;
        m_isRepositioning = true;
        m_panel->setGeometry(QRect(topLeft, size));
        m_isRepositioning = false;
        return;
    }
    m_panel->resize(size);
}

void ResultPanelController::pin(QPoint topLeft)
{
    QScreen* screen = screenAt(topLeft);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QPoint corner = screen ? pinned(topLeft, m_panel->height(), screen->availableGeometry()) : topLeft;
    m_pinnedTopLeft = corner;
    m_isRepositioning = true;
    m_panel->move(corner);
    m_isRepositioning = false;
}

void ResultPanelController::windowDidResize()
{
    if (m_pinnedTopLeft && !m_isRepositioning)
        pin(*m_pinnedTopLeft);
}

void ResultPanelController::windowDidMove()
{
    if (m_isRepositioning || !m_panel->isVisible())
        return;
    // The user (or the window manager) moved the panel: later resizing keeps this place.
    m_pinnedTopLeft = m_panel->pos();
}
