#include "ApplicationIdentity.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ApplicationIdentity;

TEST(ApplicationIdentity, SystemdScopesAndServicesNameTheApplication)
{
    const std::pair<QByteArray, std::optional<QString>> rows[] = {
        {"0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-org.gnome.Terminal-4242.scope\n",
         QStringLiteral("org.gnome.Terminal")},
        {"0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-org.kde.konsole@12ab.service\n",
         QStringLiteral("org.kde.konsole")},
        {"0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-flatpak-org.mozilla.firefox-99.scope",
         QStringLiteral("org.mozilla.firefox")},
        {"0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-my\\x2dtool-7.scope",
         QStringLiteral("my-tool")},
        {"0::/user.slice/user-1000.slice/session-2.scope\n", std::nullopt},
        {"0::/\n", std::nullopt},
        {"0::/app.slice/app-gnome-../../etc-1.scope", std::nullopt},
    };
    for (const auto& [cgroup, id] : rows)
        EXPECT_EQ(cgroupApplicationId(cgroup), id) << cgroup.toStdString();
}

TEST(ApplicationIdentity, FlatpakInfoAndLaunchEnvironment)
{
    EXPECT_EQ(flatpakId("[Application]\nname=org.gnome.gedit\nruntime=runtime/org.gnome.Platform\n"),
              QStringLiteral("org.gnome.gedit"));
    EXPECT_EQ(flatpakId("[Instance]\nname=org.gnome.gedit\n"), std::nullopt) << "only the Application group";
    EXPECT_EQ(flatpakId("[Application]\nname=../../x\n"), std::nullopt);

    const QByteArray environ("A=1\0GIO_LAUNCHED_DESKTOP_FILE=/usr/share/applications/org.x.Y.desktop\0B=2", 70);
    EXPECT_EQ(environmentValue(environ, "GIO_LAUNCHED_DESKTOP_FILE"),
              QByteArray("/usr/share/applications/org.x.Y.desktop"));
    EXPECT_EQ(environmentValue(environ, "GIO_LAUNCHED"), std::nullopt);
    EXPECT_EQ(desktopIdOfPath(QStringLiteral("/usr/share/applications/org.x.Y.desktop")), QStringLiteral("org.x.Y"));
}

TEST(ApplicationIdentity, DesktopEntriesByIdAndWindowClass)
{
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    QDir(data.path()).mkpath(QStringLiteral("applications"));
    const auto write = [&](const QString& name, const QByteArray& content) {
        QFile file(data.path() + QStringLiteral("/applications/") + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    write(QStringLiteral("org.example.Editor.desktop"),
          "[Desktop Entry]\nName=Editor\nName[de]=Bearbeiter\nName[de_AT]=Editor AT\nStartupWMClass=XEdit\n"
          "[Desktop Action new]\nName=New Window\n");
    write(QStringLiteral("viewer.desktop"), "# comment\n[Desktop Entry]\nType=Application\nName=Viewer\n");
    write(QStringLiteral("hidden.desktop"), "[Desktop Entry]\nName=Hidden\nHidden=true\n");

    DesktopEntries entries({data.path()}, QStringLiteral("de_DE"));
    EXPECT_EQ(entries.byId(QStringLiteral("org.example.Editor"))->name, QStringLiteral("Bearbeiter"));
    EXPECT_EQ(entries.byWindowClass(QStringLiteral("XEdit"))->id, QStringLiteral("org.example.Editor"));
    EXPECT_EQ(entries.byWindowClass(QStringLiteral("Viewer"))->name, QStringLiteral("Viewer")) << "lower-cased id";
    EXPECT_FALSE(entries.byId(QStringLiteral("hidden")));
    EXPECT_FALSE(entries.byId(QStringLiteral("../viewer"))) << "ids never leave the folder";
    EXPECT_FALSE(entries.byWindowClass(QStringLiteral("Unknown")));
    EXPECT_EQ(DesktopEntries({data.path()}, QStringLiteral("de_AT")).byId(QStringLiteral("org.example.Editor"))->name,
              QStringLiteral("Editor AT"));
}
