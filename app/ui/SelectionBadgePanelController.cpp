#include "SelectionBadgePanelController.h"

#include "AppCoordinator.h"
#include "FloatingPanel.h"
#include "ResultPanelController.h"
#include "SelectionBadgeView.h"
#include "capture/CaptureDiagnostics.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr double badge = SelectionBadgeView::badgeSize;
constexpr double content = SelectionBadgeView::contentSize;
constexpr double margin = (content - badge) / 2; // the transparent margin around the badge

double maxX(const ScreenRect& r)
{
    return r.x + r.width;
}
double maxY(const ScreenRect& r)
{
    return r.y + r.height;
}

bool contains(const ScreenRect& r, SystemPoint p)
{
    return p.x >= r.x && p.x < maxX(r) && p.y >= r.y && p.y < maxY(r);
}

bool intersects(const ScreenRect& a, const ScreenRect& b)
{
    return a.x < maxX(b) && b.x < maxX(a) && a.y < maxY(b) && b.y < maxY(a);
}

double distance(SystemPoint p, const ScreenRect& r)
{
    const double dx = std::max({r.x - p.x, p.x - maxX(r), 0.0});
    const double dy = std::max({r.y - p.y, p.y - maxY(r), 0.0});
    return std::hypot(dx, dy);
}

// The badge stays at least 6 points inside the visible frame; the upper bound wins.
ScreenRect clamped(ScreenRect panel, const ScreenRect& visible)
{
    panel.x = std::min(std::max(panel.x, visible.x + 6 - margin), maxX(visible) - panel.width - 6 + margin);
    panel.y = std::min(std::max(panel.y, visible.y + 6 - margin), maxY(visible) - panel.height - 6 + margin);
    return panel;
}

// A tool-tip window: never activated, never in the task list, above other windows.
class BadgeWindow final : public QWidget
{
public:
    BadgeWindow() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_QuitOnClose, false);
        setWindowTitle(SelectionBadgeView::accessibilityLabel);
        setAccessibleName(SelectionBadgeView::accessibilityLabel);
    }
};

} // namespace

SelectionBadgePanelController::SelectionBadgePanelController(AppCoordinator& coordinator,
                                                             std::shared_ptr<Sleeping> sleeper,
                                                             QObject* parent)
    : QObject(parent), m_coordinator(&coordinator),
      m_sleeper(sleeper ? std::move(sleeper) : std::make_shared<TimerSleeper>())
{
}

SelectionBadgePanelController::~SelectionBadgePanelController()
{
    dismiss();
}

qsizetype SelectionBadgePanelController::screenFor(SystemPoint point, const QList<Screen>& screens,
                                                   qsizetype main)
{
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (contains(screens[i].frame, point))
            return i;
    }
    if (screens.isEmpty())
        return main;
    qsizetype nearest = 0;
    for (qsizetype i = 1; i < screens.size(); ++i) {
        if (distance(point, screens[i].frame) < distance(point, screens[nearest].frame))
            nearest = i;
    }
    return nearest;
}

SelectionBadgePanelController::Placement
SelectionBadgePanelController::place(SystemPoint p, const QList<Screen>& screens, qsizetype main)
{
    const qsizetype screen = screenFor(p, screens, main);
    const ScreenRect visible =
        screen >= 0 && screen < screens.size() ? screens[screen].visibleFrame : ScreenRect{0, 0, 80, 80};
    QString vertical = QStringLiteral("up");
    QString horizontal = QStringLiteral("right");
    double x = p.x + 12;
    if (x + badge > maxX(visible) - 8) {
        horizontal = QStringLiteral("left");
        x = p.x - 12 - badge;
    }
    double y = p.y + 10;
    if (y + badge > maxY(visible) - 8) {
        vertical = QStringLiteral("down");
        y = p.y - 26 - badge;
    }
    ScreenRect panel{x - margin, y - margin, content, content};
    // The clamp prefers the screen above; without it the first screen the panel meets.
    qsizetype clampScreen = screen >= 0 && screen < screens.size() ? screen : -1;
    for (qsizetype i = 0; clampScreen < 0 && i < screens.size(); ++i) {
        if (intersects(screens[i].frame, panel))
            clampScreen = i;
    }
    if (clampScreen < 0 && main >= 0 && main < screens.size())
        clampScreen = main;
    if (clampScreen >= 0)
        panel = clamped(panel, screens[clampScreen].visibleFrame);
    return {vertical + u'-' + horizontal, panel};
}

QList<SelectionBadgePanelController::Screen> SelectionBadgePanelController::guiScreens(qsizetype* main)
{
    QList<Screen> screens;
    *main = -1;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return screens;
    const QRect primaryGeometry = primary->geometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen == primary)
            *main = screens.size();
        screens.append({ResultPanelController::toDesktop(screen->geometry(), primaryGeometry),
                        ResultPanelController::toDesktop(screen->availableGeometry(), primaryGeometry)});
    }
    return screens;
}

void SelectionBadgePanelController::show(const AutomaticSelectionEvent& event)
{
    dismiss();
    qsizetype main = -1;
    const QList<Screen> screens = guiScreens(&main);
    const Placement placement = place(event.pointerLocation, screens, main);
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect global = ResultPanelController::toGlobal(placement.panelFrame,
                                                         primary ? primary->geometry() : QRect(0, 0, 80, 80));

    auto* window = new BadgeWindow;
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new SelectionBadgeView(window);
    layout->addWidget(m_view);
    const QPointer<AppCoordinator> coordinator = m_coordinator;
    m_view->onFindCitations = [coordinator] {
        if (coordinator)
            coordinator->handleAutomaticAction();
    };
    window->setGeometry(global);
    if (!FloatingKeyablePanel::isComposited(window->screen())) {
        // Without a compositor the margin would show as a black square: cut it away.
        QPainterPath shape;
        shape.addRoundedRect(SelectionBadgeView::badgeRect(), 12, 12);
        window->setMask(QRegion(shape.toFillPolygon().toPolygon()));
    }
    m_panel = window;
    window->show();
    window->raise();

    CaptureDiagnostics::log(
        [name = placement.name] { return QStringLiteral("badge: shown %1 of pointer").arg(name); });

    const QPointer<SelectionBadgePanelController> weak(this);
    m_dismissTask = m_sleeper->sleep(lifetime, [weak] {
        if (!weak)
            return;
        // Runs inside the pause's own callback.
        weak->m_dismissTask.release()->deleteLater();
        weak->dismiss();
    });
}

void SelectionBadgePanelController::dismiss()
{
    m_dismissTask.reset();
    m_view = nullptr;
    if (!m_panel)
        return;
    QWidget* panel = m_panel.data();
    m_panel.clear();
    panel->hide();
    // The click that dismisses it may still be on its way through the view.
    panel->deleteLater();
}
