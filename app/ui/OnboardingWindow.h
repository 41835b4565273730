#pragma once

#include <QWidget>

#include <optional>

class AppCoordinator;
class ConsentRow;
class InfoCard;
class QLineEdit;
class QStackedWidget;
class QTimer;
class StepLayout;
class StyledButton;
class ThemedLabel;

// The four-step setup: welcome, accessibility, the API key, the privacy choices. It
// runs until a key is stored and accessibility works; there is no way back to an
// earlier step. Built once and kept; closing only hides it.
class OnboardingWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OnboardingWindow)

public:
    static constexpr int stepCount = 4;
    static const QString finishRefusedMessage;
    static const QString keySavedMessage;

    struct Options
    {
        // Whether the desktop shows tray icons; without one, the welcome step says once
        // how everything is reached instead.
        bool trayAvailable = true;
        // How often the accessibility trust is read again on the steps that need it.
        int trustPollMilliseconds = 1000;
    };

    explicit OnboardingWindow(AppCoordinator& coordinator, Options options, QWidget* parent = nullptr);
    explicit OnboardingWindow(AppCoordinator& coordinator, QWidget* parent = nullptr)
        : OnboardingWindow(coordinator, Options{}, parent)
    {
    }

    [[nodiscard]] int step() const { return m_step; }
    [[nodiscard]] bool accessibilityTrusted() const { return m_accessibilityTrusted; }
    [[nodiscard]] const std::optional<QString>& message() const { return m_message; }
    [[nodiscard]] bool isPollingTrust() const;

    // The widgets, for tests and screenshots.
    [[nodiscard]] StepLayout* stepLayout(int step) const { return m_steps.value(step); }
    [[nodiscard]] InfoCard* welcomeCard() const { return m_welcomeCard; }
    [[nodiscard]] QWidget* noTrayNote() const;
    [[nodiscard]] InfoCard* accessibilityCard() const { return m_accessibilityCard; }
    [[nodiscard]] QWidget* trustGranted() const { return m_trustGranted; }
    [[nodiscard]] ThemedLabel* trustPending() const { return m_trustPending; }
    [[nodiscard]] ThemedLabel* keyCaption() const { return m_keyCaption; }
    [[nodiscard]] QLineEdit* keyField() const { return m_keyField; }
    [[nodiscard]] StyledButton* saveButton() const { return m_save; }
    [[nodiscard]] ThemedLabel* keyMessageLabel() const { return m_keyMessage; }
    [[nodiscard]] ConsentRow* badgeConsent() const { return m_badgeConsent; }
    [[nodiscard]] ConsentRow* copyConsent() const { return m_copyConsent; }
    [[nodiscard]] ThemedLabel* finishMessageLabel() const { return m_finishMessage; }
    // The footer's buttons that are shown now, left to right.
    [[nodiscard]] QList<StyledButton*> footerButtons() const;

    void continueToNextStep();
    void saveKey();
    void finish();
    void requestAccess();
    void openSystemSettings();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makeWelcome();
    QWidget* makeAccessibility();
    QWidget* makeKeyForm();
    QWidget* makeChoices();
    QWidget* makeFooter();
    void setStep(int step);
    void updatePolling();
    void pollTrust();
    void render();

    AppCoordinator& m_coordinator;
    Options m_options;
    int m_step = 0;
    std::optional<QString> m_message;
    bool m_accessibilityTrusted = false;
    bool m_openedSystemSettings = false;

    QTimer* m_trustPoll = nullptr;
    QStackedWidget* m_stack = nullptr;
    QList<StepLayout*> m_steps;
    InfoCard* m_welcomeCard = nullptr;
    ThemedLabel* m_noTrayNote = nullptr;
    InfoCard* m_accessibilityCard = nullptr;
    QWidget* m_trustGranted = nullptr;
    ThemedLabel* m_restartNote = nullptr;
    ThemedLabel* m_trustPending = nullptr;
    ThemedLabel* m_settingsHint = nullptr;
    ThemedLabel* m_keyCaption = nullptr;
    QLineEdit* m_keyField = nullptr;
    StyledButton* m_save = nullptr;
    ThemedLabel* m_keyMessage = nullptr;
    ConsentRow* m_badgeConsent = nullptr;
    ConsentRow* m_copyConsent = nullptr;
    ThemedLabel* m_finishMessage = nullptr;
    QWidget* m_dots = nullptr;
    StyledButton* m_openSettings = nullptr;
    StyledButton* m_requestAccess = nullptr;
    StyledButton* m_continue = nullptr;
    StyledButton* m_finish = nullptr;
};
