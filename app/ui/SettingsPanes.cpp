#include "SettingsPanes.h"

#include "AppCoordinator.h"
#include "Buttons.h"
#include "SettingsControls.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

namespace {

QVBoxLayout* paneLayout(QWidget* pane)
{
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(22);
    return layout;
}

const QString badgeDescription = QStringLiteral(
    "Watches for selection gestures in all apps and reads the selected text locally to offer a "
    "badge. Nothing is sent to VORN until you click it.");

} // namespace

// General

GeneralSettingsPane::GeneralSettingsPane(AppCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), m_coordinator(coordinator)
{
    auto* layout = paneLayout(this);
    AppCoordinator* c = &m_coordinator;

    m_attention = new SettingsGroup(QStringLiteral("Attention"), this);
    auto* openSettings =
        new StyledButton(QStringLiteral("Open System Settings"), StyledButton::Kind::primary, true);
    connect(openSettings, &QAbstractButton::clicked, this, [c] { c->openAccessibilitySettings(); });
    m_attentionRow =
        new SettingsRow(QStringLiteral("Accessibility access was lost"), QString(), openSettings, false);
    m_attention->addRow(m_attentionRow);
    layout->addWidget(m_attention);

    auto* selection = new SettingsGroup(QStringLiteral("Selection"), this);
    m_badge = new LabeledSwitch(QStringLiteral("Show automatic selection badge"));
    connect(m_badge, &QAbstractButton::toggled, this, [this, c](bool on) {
        c->setAutomaticSelectionEnabled(on);
        // Before onboarding the switch leads there and the setting stays: show it as it is.
        render();
    });
    m_badgeRow = new SettingsRow(QStringLiteral("Show automatic selection badge (Beta)"), badgeDescription,
                                 m_badge, true);
    selection->addRow(m_badgeRow);
    m_hotKeyRow = new SettingsRow(
        QStringLiteral("Hot key"), hotKeyDescription(false),
        new TextPill(QStringLiteral("Alt+Super+G"), QStringLiteral("Hot key: Alt Super G")), true);
    selection->addRow(m_hotKeyRow);

    auto* launchControl = new QWidget();
    auto* launchLayout = new QVBoxLayout(launchControl);
    launchLayout->setContentsMargins(0, 0, 0, 0);
    launchLayout->setSpacing(6);
    m_launch = new LabeledSwitch(QStringLiteral("Launch at login"), launchControl);
    launchLayout->addWidget(m_launch, 0, Qt::AlignRight);
    m_approve = new StyledButton(QStringLiteral("Approve in Login Items"), StyledButton::Kind::secondary,
                                 true, launchControl);
    launchLayout->addWidget(m_approve, 0, Qt::AlignRight);
    connect(m_approve, &QAbstractButton::clicked, this, [c] { c->openLoginItemsSettings(); });
    connect(m_launch, &QAbstractButton::toggled, this, [this](bool on) {
        const auto changed = m_coordinator.setLaunchAtLoginEnabled(on);
        if (changed)
            m_launchMessage.reset();
        else
            m_launchMessage = changed.error().errorDescription();
        render();
    });
    m_launchRow = new SettingsRow(QStringLiteral("Launch at login"), QString(), launchControl, false);
    selection->addRow(m_launchRow);
    layout->addWidget(selection);
    layout->addStretch(1);

    for (const auto signal :
         {&AppCoordinator::accessibilityWarningChanged, &AppCoordinator::launchAtLoginStatusChanged,
          &AppCoordinator::shortcutRegistrationReportChanged, &AppCoordinator::shortcutStatusMessageChanged})
        connect(c, signal, this, &GeneralSettingsPane::render);
    connect(&c->settings(), &AppSettings::automaticSelectionEnabledChanged, this,
            &GeneralSettingsPane::render);
    render();
}

QString GeneralSettingsPane::hotKeyDescription(bool unavailable)
{
    QString text = QStringLiteral("Press Alt+Super+G to find citations.");
    if (unavailable)
        text += QStringLiteral(
            " The shortcut is currently unavailable — quit other apps that register Alt+Super+G.");
    return text;
}

void GeneralSettingsPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_coordinator.refreshLaunchAtLoginStatus();
}

void GeneralSettingsPane::render()
{
    const std::optional<QString>& warning = m_coordinator.accessibilityWarning();
    m_attention->setVisible(warning.has_value());
    m_attentionRow->setDescription(warning.value_or(QString()));

    m_badge->showChecked(m_coordinator.settings().automaticSelectionEnabled());
    // Where the desktop cannot watch selections, say why instead of offering a switch.
    const std::optional<QString> unavailable = m_coordinator.automaticSelectionMonitor().unavailableReason();
    m_badge->setVisible(!unavailable);
    m_badgeRow->setDescription(unavailable.value_or(badgeDescription));

    const std::optional<GlobalHotKeyAvailability>& availability =
        m_coordinator.shortcutRegistrationReport().availability;
    const bool hotKeyUnavailable = availability && !availability->isRegistered();
    QString hotKey = hotKeyDescription(hotKeyUnavailable);
    // Not a conflict with another program (no handler, or a desktop that lets no program
    // take a shortcut): the coordinator's message says what to do instead.
    const std::optional<QString>& message = m_coordinator.shortcutStatusMessage();
    if (message &&
        !(hotKeyUnavailable &&
          *message == GlobalHotKeyError::shortcutUnavailable(availability->status).errorDescription()))
        hotKey = hotKeyDescription(false) + u' ' + *message;
    m_hotKeyRow->setDescription(hotKey);

    const LaunchAtLoginStatus status = m_coordinator.launchAtLoginStatus();
    m_launch->showChecked(status == LaunchAtLoginStatus::enabled);
    m_launch->setEnabled(status != LaunchAtLoginStatus::unavailable);
    m_approve->setVisible(status == LaunchAtLoginStatus::requiresApproval);
    m_launchRow->setDescription(m_launchMessage.value_or(QString()));
}

// Literature

LiteratureSettingsPane::LiteratureSettingsPane(AppCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), m_coordinator(coordinator)
{
    auto* layout = paneLayout(this);
    AppCoordinator* c = &m_coordinator;

    auto* keyGroup = new SettingsGroup(QStringLiteral("API key"), this);
    auto* keyBox = new QWidget();
    auto* keyLayout = new QVBoxLayout(keyBox);
    keyLayout->setContentsMargins(0, 10, 0, 10);
    keyLayout->setSpacing(6);
    keyLayout->addWidget(new ThemedLabel(QStringLiteral("VORN API key"), 12.5, QFont::Medium));
    keyLayout->addWidget(
        new ThemedLabel(QStringLiteral("Stored in your keyring and sent only to the VORN endpoint."), 11,
                        QFont::Normal, ThemedLabel::Tone::secondary));
    auto* fieldRow = new QHBoxLayout();
    fieldRow->setSpacing(8);
    m_keyField = new QLineEdit();
    m_keyField->setEchoMode(QLineEdit::Password);
    m_keyField->setFixedWidth(220);
    m_keyField->setAccessibleName(QStringLiteral("VORN API key"));
    fieldRow->addWidget(m_keyField);
    m_save = new StyledButton(QStringLiteral("Save"), StyledButton::Kind::primary, true);
    fieldRow->addWidget(m_save);
    m_remove = new StyledButton(QStringLiteral("Remove"), StyledButton::Kind::secondary, true);
    m_remove->setToolTip(QStringLiteral("Delete the stored key from the keyring"));
    fieldRow->addWidget(m_remove);
    fieldRow->addStretch(1);
    keyLayout->addLayout(fieldRow);
    m_unreadable = new ThemedLabel(QString(), 11, QFont::Normal, ThemedLabel::Tone::danger);
    m_unreadable->setWordWrap(true);
    keyLayout->addWidget(m_unreadable);
    m_message = new ThemedLabel(QString(), 11, QFont::Normal, ThemedLabel::Tone::secondary);
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    keyLayout->addWidget(m_message);
    keyGroup->addRow(keyBox);
    layout->addWidget(keyGroup);

    connect(m_keyField, &QLineEdit::textChanged, this, &LiteratureSettingsPane::render);
    connect(m_save, &QAbstractButton::clicked, this, &LiteratureSettingsPane::save);
    connect(m_remove, &QAbstractButton::clicked, this, &LiteratureSettingsPane::remove);

    auto* results = new SettingsGroup(QStringLiteral("Results"), this);
    m_evidence = new LabeledSwitch(QStringLiteral("Include evidence excerpts"));
    connect(m_evidence, &QAbstractButton::toggled, this,
            [c](bool on) { c->settings().setIncludeEvidence(on); });
    results->addRow(
        new SettingsRow(QStringLiteral("Include evidence excerpts"), QString(), m_evidence, true));
    m_cache = new SelectPill(QStringLiteral("Cache duration"), {{QStringLiteral("Off"), 0},
                                                                {QStringLiteral("5 min"), 5},
                                                                {QStringLiteral("15 min"), 15},
                                                                {QStringLiteral("1 hour"), 60}});
    connect(m_cache, &SelectPill::tagSelected, this,
            [c](int minutes) { c->settings().setCacheDurationMinutes(minutes); });
    results->addRow(new SettingsRow(
        QStringLiteral("Cache duration"),
        QStringLiteral("The cache exists only in memory and is cleared when VORN Cite exits."), m_cache,
        false));
    layout->addWidget(results);
    layout->addStretch(1);

    for (const auto signal :
         {&AppCoordinator::credentialStatusChanged, &AppCoordinator::hasStoredAPIKeyChanged,
          &AppCoordinator::maskedStoredAPIKeyChanged, &AppCoordinator::isWritingAPIKeyChanged})
        connect(c, signal, this, &LiteratureSettingsPane::render);
    connect(&c->settings(), &AppSettings::includeEvidenceChanged, this, &LiteratureSettingsPane::render);
    connect(&c->settings(), &AppSettings::cacheDurationMinutesChanged, this, &LiteratureSettingsPane::render);
    render();
}

void LiteratureSettingsPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_coordinator.refreshCredentialStatus();
}

void LiteratureSettingsPane::save()
{
    if (m_keyField->text().trimmed().isEmpty() || m_coordinator.isWritingAPIKey())
        return;
    const QPointer<LiteratureSettingsPane> self(this);
    m_coordinator.saveAPIKey(m_keyField->text(),
                             [self](const std::expected<void, VORNAPIKeyStoreError>& saved) {
                                 if (!self)
                                     return;
                                 if (!saved) {
                                     self->setKeyMessage(saved.error().errorDescription());
                                     return;
                                 }
                                 self->m_keyField->clear();
                                 self->setKeyMessage(std::nullopt);
                             });
}

void LiteratureSettingsPane::remove()
{
    if (m_coordinator.isWritingAPIKey())
        return;
    const QPointer<LiteratureSettingsPane> self(this);
    m_coordinator.deleteAPIKey([self](const std::expected<void, VORNAPIKeyStoreError>& removed) {
        if (!self)
            return;
        if (!removed) {
            self->setKeyMessage(removed.error().errorDescription());
            return;
        }
        self->m_keyField->clear();
        self->setKeyMessage(QStringLiteral("API key removed."));
    });
}

void LiteratureSettingsPane::setKeyMessage(std::optional<QString> message)
{
    m_keyMessage = std::move(message);
    render();
}

void LiteratureSettingsPane::render()
{
    const CredentialStatus& status = m_coordinator.credentialStatus();
    const bool unreadable = status.kind == CredentialStatus::Kind::unreadable;
    m_keyField->setPlaceholderText(m_coordinator.maskedStoredAPIKey().value_or(QStringLiteral("vorn_…")));
    // While the keyring is written (it may be asking to be unlocked) nothing else is sent to it.
    const bool writing = m_coordinator.isWritingAPIKey();
    m_save->setEnabled(!writing && !m_keyField->text().trimmed().isEmpty());
    m_remove->setEnabled(!writing);
    m_remove->setVisible(m_coordinator.hasStoredAPIKey() || unreadable);
    m_unreadable->setVisible(unreadable);
    if (unreadable)
        m_unreadable->setText(QStringLiteral("A key is saved but could not be read: ") + status.message +
                              QStringLiteral(" Save it again to replace it, or remove it."));
    m_message->setVisible(m_keyMessage.has_value());
    m_message->setText(m_keyMessage.value_or(QString()));
    m_evidence->showChecked(m_coordinator.settings().includeEvidence());
    m_cache->showTag(m_coordinator.settings().cacheDurationMinutes());
}

// Privacy

PrivacySettingsPane::PrivacySettingsPane(AppCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), m_coordinator(coordinator)
{
    auto* layout = paneLayout(this);
    AppCoordinator* c = &m_coordinator;

    auto* capture = new SettingsGroup(QStringLiteral("Compatibility capture"), this);
    m_copyFallback = new LabeledSwitch(QStringLiteral("Allow temporary Copy fallback"));
    // Every change is an explicit choice: the setting records it as one.
    connect(m_copyFallback, &QAbstractButton::toggled, this,
            [c](bool on) { c->setCompatibilityCaptureEnabled(on); });
    capture->addRow(new SettingsRow(
        QStringLiteral("Allow temporary Copy fallback"),
        QStringLiteral(
            "In apps that expose no selected text through Accessibility, VORN Cite may briefly send Copy, "
            "read the text, and restore your previous clipboard — only when you click the badge, press "
            "Alt+Super+G, or choose Find Citations, never on its own. Clipboard-history utilities can "
            "still observe that temporary value; clipboards marked as concealed by password managers are "
            "never touched."),
        m_copyFallback, false));
    layout->addWidget(capture);

    auto* data = new SettingsGroup(QStringLiteral("Data"), this);
    data->addRow(new SettingsRow(
        QStringLiteral("Sent only after you click the badge, press Alt+Super+G, or choose Find Citations."),
        QStringLiteral(
            "The selected sentence and the requested reference count are the only data sent, to the VORN "
            "endpoint only. With the badge enabled, selection gestures are observed locally and the "
            "selected text is read on this computer; it never leaves until you ask. VORN Cite has no "
            "analytics or persistent query history."),
        nullptr, false));
    layout->addWidget(data);
    layout->addStretch(1);

    const auto render = [this] {
        m_copyFallback->showChecked(m_coordinator.settings().compatibilityCaptureEnabled());
    };
    connect(&c->settings(), &AppSettings::compatibilityCaptureEnabledChanged, this, render);
    render();
}
