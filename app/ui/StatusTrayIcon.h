#pragma once

#include <QObject>

#include <memory>

class AppCoordinator;
class QAction;
class QMenu;
class QSystemTrayIcon;

// The application's only permanent presence: a tray icon whose menu offers the
// commands. It renders the coordinator's state and calls its operations.
class StatusTrayIcon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusTrayIcon)

public:
    // note: extra tooltip line (for example the demo mode), empty for none.
    StatusTrayIcon(AppCoordinator& coordinator, QString note, QObject* parent = nullptr);
    ~StatusTrayIcon() override;

    void show();
    [[nodiscard]] QMenu* menu() const { return m_menu.get(); }

signals:
    void quitRequested();

private:
    void updateWarnings();

    AppCoordinator& m_coordinator;
    QString m_note;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QAction* m_warning = nullptr;
    QAction* m_shortcutWarning = nullptr;
};

// The tray icon's image: the bundled monochrome SVG, else the desktop's book icon.
class QIcon;
QIcon applicationTrayIcon();
