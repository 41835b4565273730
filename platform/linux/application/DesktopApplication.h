#pragma once

#include "CommandLine.h"

#include <QDBusConnection>
#include <QObject>
#include <QTemporaryDir>

#include <memory>

class AccessibilityBusStatus;
class CitePanelControlling;
class ResultPanelControlling;
class AccessibilityPermissionManager;
class AppCoordinator;
class CitePanelController;
class ResultPanelController;
class SelectionBadgePanelController;
class ApplicationWindows;
class DBusHandOffService;
class PrimarySelection;
class StatusTrayIcon;
class VORNCiteServicesProvider;
class X11Desktop;
class X11Workspace;

// The running vorn-cite: wires the Linux adapters into the coordinator, shows the tray
// icon, and answers hand-offs on the session bus. Built on the main thread after the
// QApplication; start and stop follow the coordinator's order.
class TestingProbe;
class DesktopApplication final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopApplication)

public:
    explicit DesktopApplication(CommandLine commandLine, QObject* parent = nullptr);
    ~DesktopApplication() override;

    // Exports the hand-off object on bus (before the name is claimed, so that a call
    // that arrives with the name finds it).
    bool exportHandOff(QDBusConnection bus);
    // Builds the services and the coordinator; a message when that is impossible.
    std::expected<void, QString> build();
    // Starts the coordinator, shows the tray icon and runs the request of this start.
    void start();
    void stop();

    [[nodiscard]] AppCoordinator& coordinator() const { return *m_coordinator; }

signals:
    void quitRequested();

private:
    void showAccessibilityPrompt();

    CommandLine m_commandLine;
    std::unique_ptr<QTemporaryDir> m_demoFolder;
    std::shared_ptr<X11Desktop> m_desktop;
    std::shared_ptr<X11Workspace> m_workspace;
    std::shared_ptr<AccessibilityBusStatus> m_accessibilityBus;
    std::shared_ptr<AccessibilityPermissionManager> m_permission;
    std::shared_ptr<VORNCiteServicesProvider> m_servicesProvider;
    std::shared_ptr<PrimarySelection> m_primarySelection;
    std::unique_ptr<DBusHandOffService> m_handOff;
    std::shared_ptr<ApplicationWindows> m_windows;
    std::unique_ptr<AppCoordinator> m_coordinator;
    std::shared_ptr<ResultPanelControlling> m_resultPanel; // built when first shown
    std::shared_ptr<CitePanelControlling> m_citePanel;
    std::shared_ptr<SelectionBadgePanelController> m_badge;
    std::unique_ptr<StatusTrayIcon> m_tray;
    bool m_promptShowing = false;
    TestingProbe* m_probe = nullptr; // only with VORN_CITE_TESTING=1; a child of this object
};
