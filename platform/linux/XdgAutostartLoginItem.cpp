#include "XdgAutostartLoginItem.h"

#include "ApplicationIdentity.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <unistd.h>

namespace {

const QString entryName = QStringLiteral("app.vorn.cite.desktop");

// A desktop-entry Exec argument: quoted, with the characters the format reserves escaped.
QString quotedExecArgument(const QString& argument)
{
    QString escaped;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    escaped.replace(u'%', QStringLiteral("%%"));
    return u'"' + escaped + u'"';
}

// Hidden=true in the [Desktop Entry] group: the user switched the entry off.
bool isHidden(const QByteArray& content)
{
    bool inEntry = false;
    for (const QByteArray& raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('['))
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.startsWith("Hidden") && line.mid(6).trimmed().startsWith('='))
            return line.mid(line.indexOf('=') + 1).trimmed() == "true";
    }
    return false;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString executable, QString autostartFolder)
    : m_executable(std::move(executable)), m_folder(std::move(autostartFolder))
{
}

QString XdgAutostartLoginItem::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString XdgAutostartLoginItem::entryPath() const
{
    return m_folder + u'/' + entryName;
}

bool XdgAutostartLoginItem::folderIsWritable() const
{
    // The folder, or when it does not exist yet the nearest existing folder above it
    // (where it would be made), must be a folder this user may write.
    QFileInfo info(QFileInfo(m_folder).absoluteFilePath());
    while (!info.exists() && !info.isSymLink()) {
        const QFileInfo parent(info.absolutePath());
        if (parent.absoluteFilePath() == info.absoluteFilePath())
            return false;
        info = parent;
    }
    return info.isDir() && ::access(QFile::encodeName(info.absoluteFilePath()).constData(), W_OK | X_OK) == 0;
}

LaunchAtLoginStatus XdgAutostartLoginItem::status() const
{
    if (!folderIsWritable())
        return LaunchAtLoginStatus::unavailable;
    const QFileInfo entry(entryPath());
    if (!entry.exists())
        return LaunchAtLoginStatus::disabled;
    return isHidden(ApplicationIdentity::readBounded(entryPath()).value_or(QByteArray()))
               ? LaunchAtLoginStatus::disabled
               : LaunchAtLoginStatus::enabled;
}

std::expected<void, LaunchAtLoginError> XdgAutostartLoginItem::setEnabled(bool enabled)
{
    const LaunchAtLoginStatus current = status();
    if (current == LaunchAtLoginStatus::unavailable)
        return std::unexpected(LaunchAtLoginError(QStringLiteral("The autostart folder ") + m_folder +
                                                  QStringLiteral(" cannot be written.")));
    if (enabled) {
        if (current == LaunchAtLoginStatus::enabled)
            return {};
        if (!QDir().mkpath(m_folder))
            return std::unexpected(LaunchAtLoginError(QStringLiteral("The autostart folder ") + m_folder +
                                                      QStringLiteral(" could not be created.")));
        QSaveFile file(entryPath());
        const QString entry = QStringLiteral("[Desktop Entry]\n"
                                             "Type=Application\n"
                                             "Name=VORN Cite\n"
                                             "Comment=Find published evidence for the sentence you select\n"
                                             "Icon=app.vorn.cite\n"
                                             "Exec=") +
                              quotedExecArgument(m_executable) +
                              QStringLiteral("\n"
                                             "Terminal=false\n"
                                             "X-GNOME-Autostart-enabled=true\n");
        if (!file.open(QIODevice::WriteOnly) || file.write(entry.toUtf8()) < 0 || !file.commit())
            return std::unexpected(LaunchAtLoginError(
                QStringLiteral("The autostart entry could not be written: ") + file.errorString()));
        return {};
    }
    if (current == LaunchAtLoginStatus::disabled)
        return {};
    if (!QFile::remove(entryPath()))
        return std::unexpected(LaunchAtLoginError(QStringLiteral("The autostart entry ") + entryPath() +
                                                  QStringLiteral(" could not be removed.")));
    return {};
}

void XdgAutostartLoginItem::openLoginItemsSettings()
{
    QDir().mkpath(m_folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_folder));
}
