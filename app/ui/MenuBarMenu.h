#pragma once

#include <QObject>

#include <memory>

class AppCoordinator;
class QAction;
class QIcon;
class QMenu;

// The tray icon's menu, top to bottom: Find Citations, the badge switch, the
// accessibility warning (only while one shows), Settings…, the update item (only
// with a configured updater), About, Quit. It renders the coordinator's state and
// calls its operations.
class MenuBarMenu final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MenuBarMenu)

public:
    explicit MenuBarMenu(AppCoordinator& coordinator, QObject* parent = nullptr);
    ~MenuBarMenu() override;

    [[nodiscard]] QMenu* menu() const { return m_menu.get(); }
    [[nodiscard]] QAction* findCitations() const { return m_findCitations; }
    [[nodiscard]] QAction* selectionBadge() const { return m_selectionBadge; }
    [[nodiscard]] QAction* accessibilityNeeded() const { return m_accessibilityNeeded; }
    [[nodiscard]] QAction* settings() const { return m_settings; }
    [[nodiscard]] QAction* update() const { return m_update; }
    [[nodiscard]] QAction* about() const { return m_about; }
    [[nodiscard]] QAction* quit() const { return m_quit; }

    // The update item's title for a pending version (absent: a plain check).
    static QString updateTitle(const std::optional<QString>& pendingVersion);

signals:
    void quitRequested();

private:
    void render();

    AppCoordinator& m_coordinator;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_findCitations = nullptr;
    QAction* m_selectionBadge = nullptr;
    QAction* m_accessibilityNeeded = nullptr;
    QAction* m_settings = nullptr;
    QAction* m_update = nullptr;
    QAction* m_about = nullptr;
    QAction* m_quit = nullptr;
};

// The tray icon: our monochrome symbol tinted with the given text colour.
QIcon tintedTrayIcon(const QColor& color);
