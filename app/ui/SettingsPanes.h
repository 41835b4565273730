#pragma once

#include <QWidget>

#include <optional>

class AppCoordinator;
class LabeledSwitch;
class QLineEdit;
class QPushButton;
class SelectPill;
class SettingsGroup;
class SettingsRow;
class StyledButton;
class ThemedLabel;

// The General pane: the accessibility warning, the selection badge, the hot key and
// starting at login.
class GeneralSettingsPane final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GeneralSettingsPane)

public:
    explicit GeneralSettingsPane(AppCoordinator& coordinator, QWidget* parent = nullptr);

    [[nodiscard]] SettingsGroup* attentionGroup() const { return m_attention; }
    [[nodiscard]] SettingsRow* attentionRow() const { return m_attentionRow; }
    [[nodiscard]] LabeledSwitch* badgeSwitch() const { return m_badge; }
    [[nodiscard]] SettingsRow* hotKeyRow() const { return m_hotKeyRow; }
    [[nodiscard]] LabeledSwitch* launchSwitch() const { return m_launch; }
    [[nodiscard]] SettingsRow* launchRow() const { return m_launchRow; }
    [[nodiscard]] StyledButton* approveButton() const { return m_approve; }
    [[nodiscard]] const std::optional<QString>& launchMessage() const { return m_launchMessage; }

    // The hot key's description for a registration that was (not) unavailable.
    static QString hotKeyDescription(bool unavailable);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();

    AppCoordinator& m_coordinator;
    SettingsGroup* m_attention = nullptr;
    SettingsRow* m_attentionRow = nullptr;
    LabeledSwitch* m_badge = nullptr;
    SettingsRow* m_badgeRow = nullptr;
    SettingsRow* m_hotKeyRow = nullptr;
    LabeledSwitch* m_launch = nullptr;
    SettingsRow* m_launchRow = nullptr;
    StyledButton* m_approve = nullptr;
    std::optional<QString> m_launchMessage;
};

// The Literature pane: the API key, evidence excerpts and the cache duration.
class LiteratureSettingsPane final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiteratureSettingsPane)

public:
    explicit LiteratureSettingsPane(AppCoordinator& coordinator, QWidget* parent = nullptr);

    [[nodiscard]] QLineEdit* keyField() const { return m_keyField; }
    [[nodiscard]] StyledButton* saveButton() const { return m_save; }
    [[nodiscard]] StyledButton* removeButton() const { return m_remove; }
    [[nodiscard]] ThemedLabel* unreadableLabel() const { return m_unreadable; }
    [[nodiscard]] ThemedLabel* keyMessageLabel() const { return m_message; }
    [[nodiscard]] const std::optional<QString>& keyMessage() const { return m_keyMessage; }
    [[nodiscard]] LabeledSwitch* evidenceSwitch() const { return m_evidence; }
    [[nodiscard]] SelectPill* cachePill() const { return m_cache; }

    void save();
    void remove();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();
    void setKeyMessage(std::optional<QString> message);

    AppCoordinator& m_coordinator;
    QLineEdit* m_keyField = nullptr;
    StyledButton* m_save = nullptr;
    StyledButton* m_remove = nullptr;
    ThemedLabel* m_unreadable = nullptr;
    ThemedLabel* m_message = nullptr;
    std::optional<QString> m_keyMessage;
    LabeledSwitch* m_evidence = nullptr;
    SelectPill* m_cache = nullptr;
};

// The Privacy pane: the Copy fallback and what is sent.
class PrivacySettingsPane final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrivacySettingsPane)

public:
    explicit PrivacySettingsPane(AppCoordinator& coordinator, QWidget* parent = nullptr);
    [[nodiscard]] LabeledSwitch* copyFallbackSwitch() const { return m_copyFallback; }

private:
    AppCoordinator& m_coordinator;
    LabeledSwitch* m_copyFallback = nullptr;
};
