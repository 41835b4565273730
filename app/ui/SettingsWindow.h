#pragma once

#include <QWidget>

class AppCoordinator;
class GeneralSettingsPane;
class LiteratureSettingsPane;
class PrivacySettingsPane;
class QAbstractButton;
class QStackedWidget;

// The settings window: a sidebar with the three panes and the selected pane beside it.
// Built once and kept; closing only hides it.
class SettingsWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsWindow)

public:
    enum class Pane
    {
        general,
        literature,
        privacy
    };
    static QString title(Pane pane); // "General", "Literature", "Privacy"

    explicit SettingsWindow(AppCoordinator& coordinator, QWidget* parent = nullptr);

    [[nodiscard]] Pane pane() const { return m_pane; }
    void selectPane(Pane pane);

    [[nodiscard]] QAbstractButton* sidebarEntry(Pane pane) const;
    [[nodiscard]] GeneralSettingsPane* generalPane() const { return m_general; }
    [[nodiscard]] LiteratureSettingsPane* literaturePane() const { return m_literature; }
    [[nodiscard]] PrivacySettingsPane* privacyPane() const { return m_privacy; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Pane m_pane = Pane::general;
    QList<QAbstractButton*> m_entries;
    QStackedWidget* m_stack = nullptr;
    GeneralSettingsPane* m_general = nullptr;
    LiteratureSettingsPane* m_literature = nullptr;
    PrivacySettingsPane* m_privacy = nullptr;
};

// Gives up being the active application once only panels are left. X11 has no
// application activation to give up: the window manager already hands the focus to the
// window below when ours closes, so nothing remains to do here. Kept so that both
// windows follow the same closing order.
void deactivateIfNoWindowsRemain();

// Ctrl+, inside one of the application's windows opens the settings.
void installSettingsShortcut(QWidget& window, AppCoordinator& coordinator);
