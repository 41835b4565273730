#pragma once

#include "AppServices.h"
#include "service/Sleeping.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class AppCoordinator;
class SelectionBadgeView;

// Owns the selection badge: a never-activated tool-tip window beside the pointer,
// up-right of it unless that runs past the visible frame of the pointer's screen
// (then left of it, or below it), kept 6 points inside that frame, gone after 8
// seconds on the injected sleeper. A click calls the coordinator's
// handleAutomaticAction; the coordinator dismisses the badge. Main thread only.
class SelectionBadgePanelController final : public QObject, public SelectionBadgeControlling
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectionBadgePanelController)

public:
    static constexpr std::chrono::seconds lifetime{8};

    // One screen in desktop space (ScreenRect: origin bottom-left of the primary screen).
    struct Screen
    {
        ScreenRect frame;
        ScreenRect visibleFrame;
    };
    struct Placement
    {
        QString name; // "up-right", "up-left", "down-right" or "down-left"
        ScreenRect panelFrame; // the 80-point panel, clamped, in desktop space
    };

    explicit SelectionBadgePanelController(AppCoordinator& coordinator,
                                           std::shared_ptr<Sleeping> sleeper = nullptr,
                                           QObject* parent = nullptr);
    ~SelectionBadgePanelController() override;

    void show(const AutomaticSelectionEvent& event) override;
    void dismiss() override;

    // The badge window while shown.
    [[nodiscard]] QWidget* panel() const { return m_panel.data(); }
    [[nodiscard]] SelectionBadgeView* view() const { return m_view; }

    // The placement rule over the given screens (main: the index of the main screen,
    // -1 for none).
    [[nodiscard]] static Placement place(SystemPoint pointer, const QList<Screen>& screens, qsizetype main);
    // The screen for a point: the first holding it, else the main one when there are
    // no screens, else the nearest (the earlier on a tie); -1 without screens.
    [[nodiscard]] static qsizetype screenFor(SystemPoint point, const QList<Screen>& screens, qsizetype main);
    // The GUI's screens in desktop space, and the primary's index.
    [[nodiscard]] static QList<Screen> guiScreens(qsizetype* main);

private:
    QPointer<AppCoordinator> m_coordinator;
    std::shared_ptr<Sleeping> m_sleeper;
    QPointer<QWidget> m_panel;
    SelectionBadgeView* m_view = nullptr;
    std::unique_ptr<QObject> m_dismissTask;
};
