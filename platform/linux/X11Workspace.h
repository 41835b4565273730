#pragma once

#include "ApplicationIdentity.h"
#include "RunningApplicationsProviding.h"
#include "X11Desktop.h"

#include <QString>

#include <memory>

// The running applications of an X11 session: the frontmost one is the owner of
// the active window (_NET_ACTIVE_WINDOW); names come from the desktop entry that
// the process's sandbox, window properties, systemd scope, launch environment or
// window class lead to, else from the window class or the process name. This
// process is never the frontmost application.
class X11Workspace final : public RunningApplicationsProviding
{
public:
    explicit X11Workspace(std::shared_ptr<X11Desktop> desktop,
                          std::shared_ptr<ApplicationIdentity::DesktopEntries> entries =
                              std::make_shared<ApplicationIdentity::DesktopEntries>(),
                          QString procRoot = QStringLiteral("/proc"));

    std::optional<SelectionSource> frontmostApplication() override;
    SelectionSource application(qint32 processIdentifier) override;

    // Only the process id of the active window's owner (absent when it is this process).
    std::optional<qint32> frontmostProcessIdentifier();

private:
    SelectionSource describe(qint32 pid, std::optional<X11Desktop::Window> window);
    std::optional<X11Desktop::Window> windowOf(qint32 pid);

    std::shared_ptr<X11Desktop> m_desktop;
    std::shared_ptr<ApplicationIdentity::DesktopEntries> m_entries;
    QString m_procRoot;
};
