#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// How the desktop names a running application: its desktop-file id (the
// "bundle identifier" here) and its display name, read from the files the
// desktop keeps about it. Every file read is bounded; content from other
// processes is treated as untrusted text.
namespace ApplicationIdentity {

// Reads at most maximumBytes of a file; absent when it cannot be read.
std::optional<QByteArray> readBounded(const QString& path, qint64 maximumBytes = 65536);

// The application id of a Flatpak sandbox from its .flatpak-info ([Application] name=).
std::optional<QString> flatpakId(const QByteArray& flatpakInfo);
// The Flatpak application id of the sandbox a process runs in, absent outside one.
std::optional<QString> flatpakIdOfProcess(qint32 pid, const QString& procRoot = QStringLiteral("/proc"));
// The application id of the systemd scope or service a process runs in, from
// /proc/PID/cgroup ("app-gnome-org.gnome.Terminal-1234.scope" -> "org.gnome.Terminal").
std::optional<QString> cgroupApplicationId(const QByteArray& cgroup);
// The value of NAME in a NUL-separated environment block (/proc/PID/environ).
std::optional<QByteArray> environmentValue(const QByteArray& environ, const QByteArray& name);
// The desktop-file id of a path or file name: "/usr/share/applications/org.x.Y.desktop" -> "org.x.Y".
QString desktopIdOfPath(const QString& path);

// The fields of one desktop entry that matter here.
struct DesktopEntry
{
    QString id;
    QString name; // Name, localised when the entry has the locale's variant
    QString startupWMClass;
};

// Parses the [Desktop Entry] group; absent when it has no Name or is hidden.
std::optional<DesktopEntry> parseDesktopEntry(const QString& id, const QByteArray& content,
                                              const QString& locale);

// The desktop entries of the XDG data folders, looked up by id or window class.
class DesktopEntries final
{
public:
    // Folders holding "applications/"; default: $XDG_DATA_HOME and $XDG_DATA_DIRS.
    explicit DesktopEntries(QStringList dataFolders = defaultDataFolders(), QString locale = systemLocale());

    std::optional<DesktopEntry> byId(const QString& id);
    // The entry whose StartupWMClass is windowClass, or whose id is the class
    // or its lower-case form.
    std::optional<DesktopEntry> byWindowClass(const QString& windowClass);

    static QStringList defaultDataFolders();
    static QString systemLocale();

private:
    void indexWindowClasses();

    QStringList m_folders;
    QString m_locale;
    QHash<QString, std::optional<DesktopEntry>> m_byId;
    std::optional<QHash<QString, QString>> m_idByWindowClass;
};

} // namespace ApplicationIdentity
