// The login item as an XDG autostart entry, in a temporary configuration folder.
#include "XdgAutostartLoginItem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(XdgAutostartLoginItem, RoundTrip)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    XdgAutostartLoginItem item(QStringLiteral("/opt/VORN Cite/bin/vorn-cite"));
    EXPECT_EQ(item.entryPath(), config.path() + QStringLiteral("/autostart/app.vorn.cite.desktop"));
    EXPECT_EQ(item.status(), LaunchAtLoginStatus::disabled) << "no folder yet, but one can be made";

    ASSERT_TRUE(item.setEnabled(true).has_value());
    EXPECT_EQ(item.status(), LaunchAtLoginStatus::enabled);
    const QByteArray entry = read(item.entryPath());
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/VORN Cite/bin/vorn-cite\"\n")) << entry.toStdString();
    if (!QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty()) {
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {item.entryPath()});
        ASSERT_TRUE(validate.waitForFinished(10000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    }

    // Enabling again leaves the entry alone; disabling removes it; disabling again is fine.
    ASSERT_TRUE(item.setEnabled(true).has_value());
    EXPECT_EQ(read(item.entryPath()), entry);
    ASSERT_TRUE(item.setEnabled(false).has_value());
    EXPECT_FALSE(QFile::exists(item.entryPath()));
    EXPECT_EQ(item.status(), LaunchAtLoginStatus::disabled);
    ASSERT_TRUE(item.setEnabled(false).has_value());

    // An entry the user hid in the desktop's settings counts as off.
    QFile hidden(item.entryPath());
    ASSERT_TRUE(hidden.open(QIODevice::WriteOnly));
    hidden.write("[Desktop Entry]\nType=Application\nName=VORN Cite\nExec=vorn-cite\nHidden = true\n");
    hidden.close();
    EXPECT_EQ(item.status(), LaunchAtLoginStatus::disabled);
    ASSERT_TRUE(item.setEnabled(true).has_value());
    EXPECT_EQ(item.status(), LaunchAtLoginStatus::enabled);
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(XdgAutostartLoginItem, FolderThatCannotBeWrittenIsUnavailable)
{
    QTemporaryDir config;
    // A file where a folder on the way should be: nothing can be made there.
    QFile blocker(config.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    XdgAutostartLoginItem behindFile(QStringLiteral("vorn-cite"),
                                     config.filePath(QStringLiteral("blocked/autostart")));
    EXPECT_EQ(behindFile.status(), LaunchAtLoginStatus::unavailable);
    const auto refused = behindFile.setEnabled(true);
    ASSERT_FALSE(refused.has_value());
    EXPECT_TRUE(refused.error().errorDescription().contains(QStringLiteral("cannot be written")));

    if (::geteuid() != 0) { // root writes anywhere
        const QString folder = config.filePath(QStringLiteral("readonly"));
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_EQ(XdgAutostartLoginItem(QStringLiteral("vorn-cite"), folder).status(),
                  LaunchAtLoginStatus::unavailable);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}
