#include "X11Workspace.h"

#include <unistd.h>

using namespace ApplicationIdentity;

X11Workspace::X11Workspace(std::shared_ptr<X11Desktop> desktop, std::shared_ptr<DesktopEntries> entries,
                           QString procRoot)
    : m_desktop(std::move(desktop)), m_entries(std::move(entries)), m_procRoot(std::move(procRoot))
{
}

std::optional<qint32> X11Workspace::frontmostProcessIdentifier()
{
    const std::optional<X11Desktop::Window> window = m_desktop->activeWindow();
    if (!window)
        return std::nullopt;
    const std::optional<qint32> pid = m_desktop->windowPid(*window);
    // Our own windows (a panel the user clicked) are never the application in front.
    if (!pid || *pid == getpid())
        return std::nullopt;
    return pid;
}

std::optional<SelectionSource> X11Workspace::frontmostApplication()
{
    const std::optional<X11Desktop::Window> window = m_desktop->activeWindow();
    const std::optional<qint32> pid = window ? m_desktop->windowPid(*window) : std::nullopt;
    if (!pid || *pid == getpid())
        return std::nullopt;
    return describe(*pid, window);
}

SelectionSource X11Workspace::application(qint32 processIdentifier)
{
    return describe(processIdentifier, windowOf(processIdentifier));
}

std::optional<X11Desktop::Window> X11Workspace::windowOf(qint32 pid)
{
    if (const std::optional<X11Desktop::Window> active = m_desktop->activeWindow();
        active && m_desktop->windowPid(*active) == pid)
        return active;
    for (X11Desktop::Window window : m_desktop->clientWindowsTopFirst()) {
        if (m_desktop->windowPid(window) == pid)
            return window;
    }
    return std::nullopt;
}

SelectionSource X11Workspace::describe(qint32 pid, std::optional<X11Desktop::Window> window)
{
    SelectionSource source{pid, std::nullopt, std::nullopt};
    if (pid <= 0)
        return source;
    const QString proc = m_procRoot + u'/' + QString::number(pid);

    // The desktop-file id, from the first place that names one.
    std::optional<QString> id = flatpakIdOfProcess(pid, m_procRoot);
    if (!id && window) {
        for (const char* property : {"_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE"}) {
            if (const std::optional<QString> value = m_desktop->textProperty(*window, property);
                value && m_entries->byId(desktopIdOfPath(*value))) {
                id = desktopIdOfPath(*value);
                break;
            }
        }
    }
    if (!id) {
        if (const std::optional<QByteArray> cgroup = readBounded(proc + QStringLiteral("/cgroup"))) {
            if (const std::optional<QString> scoped = cgroupApplicationId(*cgroup);
                scoped && m_entries->byId(*scoped))
                id = scoped;
        }
    }
    if (!id) {
        if (const std::optional<QByteArray> environ =
                readBounded(proc + QStringLiteral("/environ"), 1 << 20)) {
            const std::optional<QByteArray> file = environmentValue(*environ, "GIO_LAUNCHED_DESKTOP_FILE");
            const std::optional<QByteArray> launchedPid =
                environmentValue(*environ, "GIO_LAUNCHED_DESKTOP_FILE_PID");
            if (file && launchedPid && launchedPid->toLongLong() == pid)
                id = desktopIdOfPath(QString::fromUtf8(*file));
        }
    }
    const std::optional<std::pair<QString, QString>> windowClass =
        window ? m_desktop->wmClass(*window) : std::nullopt;
    std::optional<DesktopEntry> entry = id ? m_entries->byId(*id) : std::nullopt;
    if (!id && windowClass) {
        entry = m_entries->byWindowClass(windowClass->second);
        id = entry ? entry->id : windowClass->second.toLower();
    }
    source.bundleIdentifier = id;

    if (entry) {
        source.applicationName = entry->name;
    } else if (windowClass) {
        source.applicationName = windowClass->second;
    } else if (const std::optional<QByteArray> comm = readBounded(proc + QStringLiteral("/comm"), 64)) {
        const QString name = QString::fromUtf8(*comm).trimmed();
        if (!name.isEmpty())
            source.applicationName = name;
    }
    return source;
}
