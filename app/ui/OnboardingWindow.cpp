#include "OnboardingWindow.h"

#include "AppCoordinator.h"
#include "Buttons.h"
#include "SettingsControls.h"
#include "SettingsWindow.h"
#include "Symbols.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

const QString OnboardingWindow::finishRefusedMessage =
    QStringLiteral("Grant Accessibility access and save a VORN key before finishing setup.");
const QString OnboardingWindow::keySavedMessage = QStringLiteral("VORN API key saved securely.");

namespace {

// One 6-point dot per step, the current one in the accent.
class StepDots final : public QWidget
{
public:
    StepDots(const int& step, QWidget* parent) : QWidget(parent), m_step(step)
    {
        setFixedSize(OnboardingWindow::stepCount * 12 - 6, 6);
        setAccessibleName(QStringLiteral("Setup progress"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const Theme& theme = Theme::of(*this);
        for (int i = 0; i < OnboardingWindow::stepCount; ++i) {
            painter.setBrush(i == m_step ? theme.accent : theme.hairline);
            painter.drawEllipse(QRectF(i * 12, 0, 6, 6));
        }
    }

private:
    const int& m_step;
};

// The "checkmark.circle.fill" symbol in the success colour.
SymbolView* successMark(QWidget* parent)
{
    return new SymbolView(
        Symbol::checkmarkCircleFill, 13, [](const QWidget& w) { return Theme::of(w).success; }, parent);
}

} // namespace

OnboardingWindow::OnboardingWindow(AppCoordinator& coordinator, Options options, QWidget* parent)
    : QWidget(parent, Qt::Window), m_coordinator(coordinator), m_options(options)
{
    setWindowTitle(QStringLiteral("Set Up VORN Cite"));
    setFixedSize(520, 520);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* surface = new ThemedSurface([](const Theme& t) { return t.cardSurface; }, false, this);
    outer->addWidget(surface);
    auto* layout = new QVBoxLayout(surface);
    layout->setContentsMargins(28, 34, 28, 22);
    layout->setSpacing(0);

    m_stack = new QStackedWidget(surface);
    QWidget* const contents[] = {makeWelcome(), makeAccessibility(), makeKeyForm(), makeChoices()};
    const QString titles[] = {
        QStringLiteral("Welcome to VORN Cite"),
        QStringLiteral("Allow selected-text access"),
        QStringLiteral("Store your VORN key"),
        QStringLiteral("Your choices"),
    };
    const QString descriptions[] = {
        QStringLiteral(
            "Select scientific text in any app, press Alt+Super+G or click the badge, and VORN returns "
            "PubMed literature evidence you can cite."),
        QStringLiteral(
            "Accessibility lets VORN Cite read the text you select and position its result panel. "
            "Nothing is sent anywhere until you ask for citations. Secure fields are always rejected."),
        QStringLiteral("The vorn_ key is stored in your keyring and sent only to the VORN endpoint."),
        QStringLiteral(
            "Both options are recommended and both can be changed later in Settings › Privacy. Nothing "
            "is sent to VORN until you click the badge or ask for citations."),
    };
    for (int i = 0; i < stepCount; ++i) {
        auto* step = new StepLayout(titles[i], descriptions[i], contents[i]);
        m_steps.append(step);
        m_stack->addWidget(step);
    }
    layout->addWidget(m_stack, 1);
    layout->addWidget(makeFooter());

    m_trustPoll = new QTimer(this);
    m_trustPoll->setInterval(m_options.trustPollMilliseconds);
    connect(m_trustPoll, &QTimer::timeout, this, &OnboardingWindow::pollTrust);

    AppCoordinator* c = &m_coordinator;
    for (const auto signal :
         {&AppCoordinator::hasStoredAPIKeyChanged, &AppCoordinator::credentialStatusChanged,
          &AppCoordinator::isWritingAPIKeyChanged})
        connect(c, signal, this, &OnboardingWindow::render);
    const auto showChoices = [this] {
        m_badgeConsent->toggle()->showChecked(m_coordinator.settings().automaticSelectionEnabled());
        m_copyConsent->toggle()->showChecked(m_coordinator.settings().compatibilityCaptureEnabled());
    };
    connect(&c->settings(), &AppSettings::automaticSelectionEnabledChanged, this, showChoices);
    connect(&c->settings(), &AppSettings::compatibilityCaptureEnabledChanged, this, showChoices);
    showChoices();

    installSettingsShortcut(*this, coordinator);
    setStep(0);
}

QWidget* OnboardingWindow::makeWelcome()
{
    m_welcomeCard = new InfoCard({
        {QString(), QStringLiteral("Select"), QStringLiteral("a sentence with a scientific claim.")},
        {QString(), QStringLiteral("Invoke"),
         QStringLiteral("the hot key, the badge, or the Services menu.")},
        {QString(), QStringLiteral("Cite"), QStringLiteral("the returned PubMed references in one click.")},
    });
    if (!m_options.trayAvailable) {
        m_noTrayNote = new ThemedLabel(
            QStringLiteral("This desktop shows no tray icon. Press Alt+Super+G to find citations; "
                           "VORN Cite's entry in your applications menu offers Find Citations and Settings, "
                           "and vorn-cite --settings opens the settings."),
            11, QFont::Normal, ThemedLabel::Tone::secondary);
        m_noTrayNote->setWordWrap(true);
        m_welcomeCard->addWidget(m_noTrayNote);
    }
    return m_welcomeCard;
}

QWidget* OnboardingWindow::noTrayNote() const
{
    return m_noTrayNote;
}

QWidget* OnboardingWindow::makeAccessibility()
{
    m_accessibilityCard = new InfoCard({
        {QString(), QStringLiteral("Step 2 of 4"), QStringLiteral("— Accessibility required")},
        {QString(), QString(), QStringLiteral("Desktop accessibility (assistive technologies)")},
    });
    m_trustGranted = new QWidget();
    auto* granted = new QHBoxLayout(m_trustGranted);
    granted->setContentsMargins(0, 2, 0, 0);
    granted->setSpacing(6);
    granted->addWidget(successMark(m_trustGranted));
    granted->addWidget(
        new ThemedLabel(QStringLiteral("Access granted — you're all set."), 11.5, QFont::Medium), 1);
    m_accessibilityCard->addWidget(m_trustGranted);
    // Accessibility switched on reaches only applications started afterwards.
    m_restartNote = new ThemedLabel(
        QStringLiteral(
            "Applications that were already open, Qt applications in particular, must be restarted "
            "before VORN Cite can read their text."),
        11, QFont::Normal, ThemedLabel::Tone::secondary);
    m_restartNote->setWordWrap(true);
    m_accessibilityCard->addWidget(m_restartNote);
    m_trustPending =
        new ThemedLabel(QStringLiteral("Choose Request Access, then return here."), 11.5, QFont::Normal);
    m_trustPending->setWordWrap(true);
    m_accessibilityCard->addWidget(m_trustPending);
    m_settingsHint = new ThemedLabel(
        QStringLiteral("If no settings window opened, turn on assistive technologies in your desktop's "
                       "accessibility settings, or choose Request Access."),
        11, QFont::Normal, ThemedLabel::Tone::secondary);
    m_settingsHint->setWordWrap(true);
    m_accessibilityCard->addWidget(m_settingsHint);
    return m_accessibilityCard;
}

QWidget* OnboardingWindow::makeKeyForm()
{
    auto* form = new QWidget();
    form->setFixedWidth(380);
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_keyCaption = new ThemedLabel(QStringLiteral("VORN API key"), 12, QFont::Medium);
    layout->addWidget(m_keyCaption);
    auto* row = new QHBoxLayout();
    row->setSpacing(8);
    m_keyField = new QLineEdit(form);
    m_keyField->setEchoMode(QLineEdit::Password);
    m_keyField->setAccessibleName(QStringLiteral("VORN API key"));
    m_keyField->setMinimumHeight(28);
    row->addWidget(m_keyField, 1);
    m_save = new StyledButton(QStringLiteral("Save"), StyledButton::Kind::primary, false, form);
    row->addWidget(m_save);
    layout->addLayout(row);
    m_keyMessage = new ThemedLabel(QString(), 11, QFont::Normal, ThemedLabel::Tone::secondary);
    m_keyMessage->setWordWrap(true);
    layout->addWidget(m_keyMessage);
    // Return does nothing: only the button saves.
    connect(m_keyField, &QLineEdit::textChanged, this, &OnboardingWindow::render);
    connect(m_save, &QAbstractButton::clicked, this, &OnboardingWindow::saveKey);
    return form;
}

QWidget* OnboardingWindow::makeChoices()
{
    auto* box = new QWidget();
    box->setFixedWidth(380);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    m_badgeConsent = new ConsentRow(
        QStringLiteral("Show the selection badge"),
        QStringLiteral(
            "After setup, VORN Cite watches for selection gestures in all apps and reads the selected "
            "text locally so it can offer a badge."));
    m_copyConsent = new ConsentRow(
        QStringLiteral("Allow temporary Copy fallback"),
        QStringLiteral(
            "In apps that expose no selected text (some PDF viewers), clicking the badge or pressing "
            "Alt+Super+G may briefly send Copy, read the text, and restore your clipboard. "
            "Clipboard-history utilities may observe that temporary value."));
    layout->addWidget(m_badgeConsent);
    layout->addWidget(m_copyConsent);
    m_finishMessage = new ThemedLabel(QString(), 11, QFont::Normal, ThemedLabel::Tone::danger);
    m_finishMessage->setWordWrap(true);
    layout->addWidget(m_finishMessage);
    AppCoordinator* c = &m_coordinator;
    connect(m_badgeConsent->toggle(), &QAbstractButton::toggled, this,
            [c](bool on) { c->settings().setAutomaticSelectionEnabled(on); });
    connect(m_copyConsent->toggle(), &QAbstractButton::toggled, this,
            [c](bool on) { c->setCompatibilityCaptureEnabled(on); });
    return box;
}

QWidget* OnboardingWindow::makeFooter()
{
    auto* footer = new QWidget();
    auto* layout = new QHBoxLayout(footer);
    layout->setContentsMargins(0, 12, 0, 0);
    layout->setSpacing(10);
    m_dots = new StepDots(m_step, footer);
    layout->addWidget(m_dots, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    m_openSettings = new StyledButton(QStringLiteral("Open System Settings"), StyledButton::Kind::secondary);
    m_requestAccess = new StyledButton(QStringLiteral("Request Access"), StyledButton::Kind::primary);
    m_continue = new StyledButton(QStringLiteral("Continue"), StyledButton::Kind::primary);
    m_finish = new StyledButton(QStringLiteral("Finish Setup"), StyledButton::Kind::primary);
    for (StyledButton* button : {m_openSettings, m_requestAccess, m_continue, m_finish})
        layout->addWidget(button);
    connect(m_openSettings, &QAbstractButton::clicked, this, &OnboardingWindow::openSystemSettings);
    connect(m_requestAccess, &QAbstractButton::clicked, this, &OnboardingWindow::requestAccess);
    connect(m_continue, &QAbstractButton::clicked, this, &OnboardingWindow::continueToNextStep);
    connect(m_finish, &QAbstractButton::clicked, this, &OnboardingWindow::finish);
    return footer;
}

QList<StyledButton*> OnboardingWindow::footerButtons() const
{
    QList<StyledButton*> shown;
    for (StyledButton* button : {m_openSettings, m_requestAccess, m_continue, m_finish})
        if (!button->isHidden())
            shown.append(button);
    return shown;
}

bool OnboardingWindow::isPollingTrust() const
{
    return m_trustPoll->isActive();
}

void OnboardingWindow::setStep(int step)
{
    m_step = std::clamp(step, 0, stepCount - 1);
    m_stack->setCurrentIndex(m_step);
    if (m_step == 3)
        m_coordinator.prepareOnboardingPrivacyStep();
    updatePolling();
    render();
    if (m_step == 2)
        m_keyField->setFocus();
}

void OnboardingWindow::updatePolling()
{
    // Only the accessibility step and the last step depend on the trust; the poll
    // belongs to the visible window and stops with it.
    m_trustPoll->stop();
    if (!isVisible() || (m_step != 1 && m_step != stepCount - 1))
        return;
    pollTrust();
    m_trustPoll->start();
}

void OnboardingWindow::pollTrust()
{
    const bool trusted = m_coordinator.isAccessibilityTrusted();
    if (trusted == m_accessibilityTrusted)
        return;
    m_accessibilityTrusted = trusted;
    render();
}

void OnboardingWindow::continueToNextStep()
{
    if (!m_continue->isEnabled() || m_continue->isHidden())
        return;
    m_message.reset();
    setStep(std::min(m_step + 1, stepCount - 1));
}

void OnboardingWindow::saveKey()
{
    const QString key = m_keyField->text();
    if (key.trimmed().isEmpty() || m_coordinator.isWritingAPIKey())
        return;
    const QPointer<OnboardingWindow> self(this);
    m_coordinator.saveAPIKey(key, [self](const std::expected<void, VORNAPIKeyStoreError>& saved) {
        if (!self)
            return;
        if (!saved) {
            self->m_message = saved.error().errorDescription();
        } else {
            self->m_keyField->clear();
            self->m_message = keySavedMessage;
        }
        self->render();
    });
}

void OnboardingWindow::finish()
{
    if (!m_finish->isEnabled())
        return;
    if (!m_coordinator.completeOnboarding()) {
        m_accessibilityTrusted = m_coordinator.isAccessibilityTrusted();
        m_message = finishRefusedMessage;
    }
    render();
}

void OnboardingWindow::requestAccess()
{
    m_coordinator.requestAccessibilityPermission();
    m_accessibilityTrusted = m_coordinator.isAccessibilityTrusted();
    render();
}

void OnboardingWindow::openSystemSettings()
{
    m_coordinator.openAccessibilitySettings();
    m_openedSystemSettings = true;
    render();
}

void OnboardingWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_coordinator.refreshCredentialStatus();
    m_accessibilityTrusted = m_coordinator.isAccessibilityTrusted();
    updatePolling();
    render();
}

void OnboardingWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_trustPoll->stop();
}

void OnboardingWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    QTimer::singleShot(0, this, [] { deactivateIfNoWindowsRemain(); });
}

void OnboardingWindow::render()
{
    const bool hasKey = m_coordinator.hasStoredAPIKey();
    const bool last = m_step == stepCount - 1;

    // Step 1: the trust line.
    m_trustGranted->setVisible(m_accessibilityTrusted);
    m_restartNote->setVisible(m_accessibilityTrusted);
    m_trustPending->setVisible(!m_accessibilityTrusted);
    m_settingsHint->setVisible(!m_accessibilityTrusted && m_openedSystemSettings);

    // Step 2: the key form.
    m_keyCaption->setText(hasKey ? QStringLiteral("VORN API key — stored securely")
                                 : QStringLiteral("VORN API key"));
    m_keyField->setPlaceholderText(hasKey ? QStringLiteral("Enter a replacement key (optional)")
                                          : QStringLiteral("vorn_…"));
    m_save->setEnabled(!m_coordinator.isWritingAPIKey() && !m_keyField->text().trimmed().isEmpty());
    const bool keyMessage = m_step == 2 && m_message.has_value();
    m_keyMessage->setVisible(keyMessage);
    m_keyMessage->setText(keyMessage ? *m_message : QString());

    // Step 3: the finish check's message.
    const bool finishMessage = last && m_message.has_value();
    m_finishMessage->setVisible(finishMessage);
    m_finishMessage->setText(finishMessage ? *m_message : QString());

    // The footer.
    const bool trustButtons = m_step == 1 && !m_accessibilityTrusted;
    m_openSettings->setVisible(trustButtons);
    m_requestAccess->setVisible(trustButtons);
    m_finish->setVisible(!trustButtons && last);
    m_finish->setEnabled(m_accessibilityTrusted && hasKey);
    m_continue->setVisible(!trustButtons && !last);
    m_continue->setEnabled(!(m_step == 2 && !hasKey));
    m_dots->update();
}
