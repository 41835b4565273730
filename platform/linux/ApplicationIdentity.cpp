#include "ApplicationIdentity.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>

namespace ApplicationIdentity {

namespace {

constexpr qsizetype maximumDesktopFiles = 4096;

bool isValidId(const QString& id)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.+-]{0,254}$"));
    return pattern.match(id).hasMatch();
}

// The lines of one group of an INI-like file, as key -> value.
QHash<QString, QString> group(const QByteArray& content, const QString& name)
{
    QHash<QString, QString> values;
    bool inside = false;
    const QString header = u'[' + name + u']';
    for (const QByteArray& rawLine : content.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(u'[')) {
            if (inside)
                break;
            inside = line == header;
            continue;
        }
        if (!inside || line.startsWith(u'#'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!values.contains(key))
            values.insert(key, line.mid(equals + 1).trimmed());
    }
    return values;
}

} // namespace

std::optional<QByteArray> readBounded(const QString& path, qint64 maximumBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(maximumBytes);
}

std::optional<QString> flatpakId(const QByteArray& flatpakInfo)
{
    const QString name = group(flatpakInfo, QStringLiteral("Application")).value(QStringLiteral("name"));
    if (!isValidId(name))
        return std::nullopt;
    return name;
}

std::optional<QString> flatpakIdOfProcess(qint32 pid, const QString& procRoot)
{
    if (pid <= 0)
        return std::nullopt;
    const std::optional<QByteArray> info =
        readBounded(procRoot + u'/' + QString::number(pid) + QStringLiteral("/root/.flatpak-info"));
    return info ? flatpakId(*info) : std::nullopt;
}

std::optional<QString> cgroupApplicationId(const QByteArray& cgroup)
{
    // app[-<launcher>]-<id>-<random>.scope or app[-<launcher>]-<id>[@<random>].service
    static const QStringList launchers = {QStringLiteral("gnome-"),   QStringLiteral("kde-"),
                                          QStringLiteral("flatpak-"), QStringLiteral("xfce-"),
                                          QStringLiteral("dbus-"),    QStringLiteral("openbox-")};
    for (const QByteArray& line : cgroup.split('\n')) {
        const QString unit = QString::fromUtf8(line.mid(line.lastIndexOf('/') + 1)).trimmed();
        if (!unit.startsWith(QStringLiteral("app-")))
            continue;
        QString id = unit.mid(4);
        if (id.endsWith(QStringLiteral(".scope"))) {
            id.chop(6);
            const qsizetype dash = id.lastIndexOf(u'-');
            if (dash <= 0)
                continue;
            id.truncate(dash);
        } else if (id.endsWith(QStringLiteral(".service"))) {
            id.chop(8);
            if (const qsizetype at = id.indexOf(u'@'); at >= 0)
                id.truncate(at);
        } else {
            continue;
        }
        for (const QString& launcher : launchers) {
            if (id.startsWith(launcher)) {
                id = id.mid(launcher.size());
                break;
            }
        }
        id.replace(QStringLiteral("\\x2d"), QStringLiteral("-"));
        if (isValidId(id))
            return id;
    }
    return std::nullopt;
}

std::optional<QByteArray> environmentValue(const QByteArray& environ, const QByteArray& name)
{
    const QByteArray prefix = name + '=';
    for (const QByteArray& entry : environ.split('\0')) {
        if (entry.startsWith(prefix))
            return entry.mid(prefix.size());
    }
    return std::nullopt;
}

QString desktopIdOfPath(const QString& path)
{
    QString name = path.mid(path.lastIndexOf(u'/') + 1);
    if (name.endsWith(QStringLiteral(".desktop")))
        name.chop(8);
    return name;
}

std::optional<DesktopEntry> parseDesktopEntry(const QString& id, const QByteArray& content,
                                              const QString& locale)
{
    const QHash<QString, QString> entry = group(content, QStringLiteral("Desktop Entry"));
    if (entry.value(QStringLiteral("Hidden")) == u"true")
        return std::nullopt;
    QString name;
    // Name[ll_CC], then Name[ll], then Name.
    const QString language = locale.section(u'_', 0, 0);
    const QStringList keys = {QStringLiteral("Name[") + locale + u']',
                              QStringLiteral("Name[") + language + u']', QStringLiteral("Name")};
    for (const QString& key : keys) {
        name = entry.value(key);
        if (!name.isEmpty())
            break;
    }
    if (name.isEmpty())
        return std::nullopt;
    return DesktopEntry{id, name.left(200), entry.value(QStringLiteral("StartupWMClass")).left(200)};
}

DesktopEntries::DesktopEntries(QStringList dataFolders, QString locale)
    : m_folders(std::move(dataFolders)), m_locale(std::move(locale))
{
}

QStringList DesktopEntries::defaultDataFolders()
{
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList folders{home};
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts))
        folders.append(dir);
    return folders;
}

QString DesktopEntries::systemLocale()
{
    return QLocale::system().name();
}

std::optional<DesktopEntry> DesktopEntries::byId(const QString& id)
{
    if (!isValidId(id))
        return std::nullopt;
    if (const auto cached = m_byId.constFind(id); cached != m_byId.constEnd())
        return *cached;
    std::optional<DesktopEntry> found;
    for (const QString& folder : m_folders) {
        if (const std::optional<QByteArray> content =
                readBounded(folder + QStringLiteral("/applications/") + id + QStringLiteral(".desktop"))) {
            found = parseDesktopEntry(id, *content, m_locale);
            break;
        }
    }
    m_byId.insert(id, found);
    return found;
}

void DesktopEntries::indexWindowClasses()
{
    m_idByWindowClass.emplace();
    qsizetype read = 0;
    for (const QString& folder : m_folders) {
        const QStringList files = QDir(folder + QStringLiteral("/applications"))
                                      .entryList({QStringLiteral("*.desktop")}, QDir::Files);
        for (const QString& file : files) {
            if (++read > maximumDesktopFiles)
                return;
            const QString id = desktopIdOfPath(file);
            const std::optional<DesktopEntry> entry = byId(id);
            if (entry && !entry->startupWMClass.isEmpty() &&
                !m_idByWindowClass->contains(entry->startupWMClass))
                m_idByWindowClass->insert(entry->startupWMClass, id);
        }
    }
}

std::optional<DesktopEntry> DesktopEntries::byWindowClass(const QString& windowClass)
{
    if (windowClass.isEmpty())
        return std::nullopt;
    if (!m_idByWindowClass)
        indexWindowClasses();
    if (const auto id = m_idByWindowClass->constFind(windowClass); id != m_idByWindowClass->constEnd())
        return byId(*id);
    if (std::optional<DesktopEntry> entry = byId(windowClass))
        return entry;
    return byId(windowClass.toLower());
}

} // namespace ApplicationIdentity
