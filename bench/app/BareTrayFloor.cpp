// The floor of the application benchmark: a bare Qt tray program (a QApplication, a
// tray icon with a four-entry menu, a name on the session bus), nothing else. It
// claims app.vorn.cite.BenchFloor once its icon is shown.
#include <QApplication>
#include <QDBusConnection>
#include <QMenu>
#include <QSystemTrayIcon>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QMenu menu;
    for (const char* entry : {"Find Citations", "Settings…", "About", "Quit"})
        menu.addAction(QString::fromUtf8(entry));
    QSystemTrayIcon icon(QIcon::fromTheme(QStringLiteral("accessories-dictionary")));
    icon.setContextMenu(&menu);
    icon.show();
    if (!QDBusConnection::sessionBus().registerService(QStringLiteral("app.vorn.cite.BenchFloor")))
        return 1;
    return QApplication::exec();
}
