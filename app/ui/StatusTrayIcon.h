#pragma once

#include <QObject>

#include <memory>

class AppCoordinator;
class MenuBarMenu;
class QMenu;
class QSystemTrayIcon;

// The application's only permanent presence: a tray icon whose menu (MenuBarMenu)
// offers the commands. Its symbol is tinted with the desktop's text colour and follows
// a change of appearance.
class StatusTrayIcon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusTrayIcon)

public:
    // note: extra tooltip line (for example the demo mode), empty for none.
    StatusTrayIcon(AppCoordinator& coordinator, QString note, QObject* parent = nullptr);
    ~StatusTrayIcon() override;

    void show();
    [[nodiscard]] QMenu* menu() const;
    [[nodiscard]] MenuBarMenu& menuBarMenu() const { return *m_menu; }

    // Whether the desktop shows tray icons at all (stock GNOME does not without an
    // extension).
    [[nodiscard]] static bool isTrayAvailable();

signals:
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateIcon();

    std::unique_ptr<MenuBarMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

// The tray icon's image in the current text colour of the desktop.
class QIcon;
QIcon applicationTrayIcon();
