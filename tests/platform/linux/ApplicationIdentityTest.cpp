#include "ApplicationIdentity.h"
#include "X11Workspace.h"

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

    const QByteArray environ("A=1\0GIO_LAUNCHED_DESKTOP_FILE=/usr/share/applications/org.x.Y.desktop\0B=2",
                             73);
    EXPECT_EQ(environmentValue(environ, "GIO_LAUNCHED_DESKTOP_FILE"),
              QByteArray("/usr/share/applications/org.x.Y.desktop"));
    EXPECT_EQ(environmentValue(environ, "GIO_LAUNCHED"), std::nullopt);
    EXPECT_EQ(desktopIdOfPath(QStringLiteral("/usr/share/applications/org.x.Y.desktop")),
              QStringLiteral("org.x.Y"));
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
    EXPECT_EQ(entries.byWindowClass(QStringLiteral("Viewer"))->name, QStringLiteral("Viewer"))
        << "lower-cased id";
    EXPECT_FALSE(entries.byId(QStringLiteral("hidden")));
    EXPECT_FALSE(entries.byId(QStringLiteral("../viewer"))) << "ids never leave the folder";
    EXPECT_FALSE(entries.byWindowClass(QStringLiteral("Unknown")));
    EXPECT_EQ(DesktopEntries({data.path()}, QStringLiteral("de_AT"))
                  .byId(QStringLiteral("org.example.Editor"))
                  ->name,
              QStringLiteral("Editor AT"));
}

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

// Processes without windows, described from a /proc-like folder: sandbox, systemd
// scope and launch environment name the desktop entry; else the process name.
TEST(X11Workspace, ProcessesAreNamedFromTheirDesktopEntryOrProcessName)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString proc = root.path() + QStringLiteral("/proc");
    const QString data = root.path() + QStringLiteral("/data");
    writeFile(data + QStringLiteral("/applications/org.example.Sandboxed.desktop"),
              "[Desktop Entry]\nName=Sandboxed App\n");
    writeFile(data + QStringLiteral("/applications/org.example.Editor.desktop"),
              "[Desktop Entry]\nName=Editor\n");
    writeFile(proc + QStringLiteral("/10/root/.flatpak-info"), "[Application]\nname=org.example.Sandboxed\n");
    writeFile(proc + QStringLiteral("/11/cgroup"),
              "0::/user.slice/app.slice/app-gnome-org.example.Editor-5.scope\n");
    const auto environ = [](const QByteArray& file, const QByteArray& pid) -> QByteArray {
        return "GIO_LAUNCHED_DESKTOP_FILE=" + file + '\0' + "GIO_LAUNCHED_DESKTOP_FILE_PID=" + pid + '\0';
    };
    writeFile(proc + QStringLiteral("/12/environ"),
              environ("/usr/share/applications/org.example.Viewer.desktop", "12"));
    writeFile(proc + QStringLiteral("/12/comm"), "viewer\n");
    writeFile(proc + QStringLiteral("/13/environ"), environ("/x/org.example.Parent.desktop", "1"));
    writeFile(proc + QStringLiteral("/13/comm"), "plainproc\n");

    const auto entries = std::make_shared<DesktopEntries>(QStringList{data}, QStringLiteral("en_GB"));
    X11Workspace workspace(std::make_shared<X11Desktop>(), entries, proc);
    EXPECT_EQ(workspace.application(10), (SelectionSource{10, QStringLiteral("Sandboxed App"),
                                                          QStringLiteral("org.example.Sandboxed")}));
    EXPECT_EQ(workspace.application(11),
              (SelectionSource{11, QStringLiteral("Editor"), QStringLiteral("org.example.Editor")}));
    EXPECT_EQ(workspace.application(12),
              (SelectionSource{12, QStringLiteral("viewer"), QStringLiteral("org.example.Viewer")}));
    EXPECT_EQ(workspace.application(13), (SelectionSource{13, QStringLiteral("plainproc"), std::nullopt}))
        << "a launch environment inherited from another process does not count";
    EXPECT_EQ(workspace.application(14), (SelectionSource{14, std::nullopt, std::nullopt}));
    EXPECT_EQ(flatpakIdOfProcess(10, proc), QStringLiteral("org.example.Sandboxed"));
    EXPECT_EQ(flatpakIdOfProcess(11, proc), std::nullopt);
}
