#include "DesktopApplication.h"

#include "AccessibilityBusStatus.h"
#include "AccessibilityPermissionManager.h"
#include "AccessibilitySelectionProvider.h"
#include "AppCoordinator.h"
#include "AtspiAccessibilityTree.h"
#include "AutomaticSelectionMonitor.h"
#include "CompositeSelectionProvider.h"
#include "DBusHandOff.h"
#include "PortalGlobalHotKey.h"
#include "PrimarySelection.h"
#include "QtClipboardPasteboard.h"
#include "SecretServiceKeyStore.h"
#include "TestingProbe.h"
#include "X11ActivationObserver.h"
#include "X11GlobalHotKey.h"
#include "X11InputMonitor.h"
#include "XTestCopyCommandSender.h"
#include "XdgAutostartLoginItem.h"
#include "literature/UserSettingsFile.h"
#include "literature/VORNAPIKeyFormat.h"
#include "pubmed/PubMedArticleService.h"
#include "service/LiteratureNetworking.h"
#include "service/VORNBackendStack.h"
#include "ui/AccessibilityPrompt.h"
#include "ui/ApplicationWindows.h"
#include "ui/CitePanelController.h"
#include "ui/ResultPanelController.h"
#include "ui/SelectionBadgePanelController.h"
#include "ui/StatusTrayIcon.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

namespace {

// The demo's key: held in memory only, never in the user's keyring.
class InMemoryKeyStore final : public VORNAPIKeyStoring
{
public:
    explicit InMemoryKeyStore(QString key) : m_key(std::move(key)) {}
    std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() override { return m_key; }
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString& key) override
    {
        const std::optional<QString> normalized = VORNAPIKeyFormat::normalize(key);
        if (!normalized)
            return std::unexpected(VORNAPIKeyStoreError::invalidKey());
        m_key = *normalized;
        return {};
    }
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() override
    {
        m_key.reset();
        return {};
    }

private:
    std::optional<QString> m_key;
};

// Alt+Super+G: an X grab in an X11 session; elsewhere (Wayland) the desktop's
// shortcuts portal, which reports the session unable when it is missing. A press
// there carries no selection and captures it as a grabbed press does.
std::shared_ptr<GlobalHotKeyProviding> makeGlobalHotKey()
{
    std::shared_ptr<X11GlobalHotKey> grab = X11GlobalHotKey::forApplication();
    if (grab->seesEveryKey())
        return grab;
    return std::make_shared<PortalGlobalHotKey>(QDBusConnection::sessionBus());
}

// A panel built when it is first shown: most starts never show one, and building its
// widgets would only lengthen the start and grow the process.
template <typename Interface, typename Controller>
class LazyPanel : public Interface
{
public:
    explicit LazyPanel(std::function<std::unique_ptr<Controller>()> make) : m_make(std::move(make)) {}
    void show(const std::optional<ScreenRect>& anchor) override
    {
        if (!m_controller)
            m_controller = m_make();
        m_controller->show(anchor);
    }
    void hide() override
    {
        if (m_controller)
            m_controller->hide();
    }

protected:
    std::unique_ptr<Controller> m_controller;

private:
    std::function<std::unique_ptr<Controller>()> m_make;
};

class LazyResultPanel final : public LazyPanel<ResultPanelControlling, ResultPanelController>
{
public:
    using LazyPanel::LazyPanel;
    std::optional<ScreenRect> frame() const override
    {
        return m_controller ? m_controller->frame() : std::nullopt;
    }
};

const QString demoNote =
    QStringLiteral("Demo mode: the local demo service, a throwaway key and temporary settings.");

} // namespace

DesktopApplication::DesktopApplication(CommandLine commandLine, QObject* parent)
    : QObject(parent), m_commandLine(std::move(commandLine))
{
    m_desktop = std::make_shared<X11Desktop>();
    m_workspace = std::make_shared<X11Workspace>(m_desktop);
    m_servicesProvider = std::make_shared<VORNCiteServicesProvider>(m_workspace);
    m_primarySelection = std::make_shared<PrimarySelection>(m_desktop, m_workspace);
    m_handOff = std::make_unique<DBusHandOffService>(
        m_servicesProvider, [this] { return m_primarySelection->read(); },
        [this](const SelectionCaptureError& error) {
            if (m_coordinator)
                m_coordinator->handleSelectionCaptureFailure(error);
        });
}

DesktopApplication::~DesktopApplication()
{
    // The coordinator's services (tray, windows, panels) go before the coordinator.
    m_tray.reset();
    if (m_coordinator) {
        m_coordinator->setResultPanelController(nullptr);
        m_coordinator->setCitePanelController(nullptr);
        m_coordinator->setSelectionBadgeController(nullptr);
    }
    m_badge.reset();
    m_resultPanel.reset();
    m_citePanel.reset();
    m_coordinator.reset();
}

bool DesktopApplication::exportHandOff(QDBusConnection bus)
{
    return m_handOff->exportOn(std::move(bus));
}

std::expected<void, QString> DesktopApplication::build()
{
    std::shared_ptr<AppSettings> settings;
    std::shared_ptr<VORNAPIKeyStoring> keyStore;
    QString autostartFolder = XdgAutostartLoginItem::defaultFolder();
    if (m_commandLine.demoOnlyIfUnconfigured &&
        !VORNBackendStack::serviceBaseURL(UserSettingsFile::serviceURL()).isEmpty()) {
        // A service is configured: a normal start, trusting only the system's authorities.
        m_commandLine.demoServiceURL.reset();
        m_commandLine.caCertificates.reset();
    }
    if (m_commandLine.demoServiceURL) {
        m_demoFolder = std::make_unique<QTemporaryDir>();
        if (!m_demoFolder->isValid())
            return std::unexpected(
                QStringLiteral("cannot create a temporary folder for the demo's settings"));
        auto store = std::make_unique<QSettings>(m_demoFolder->filePath(QStringLiteral("settings.ini")),
                                                 QSettings::IniFormat);
        const QString base = *m_commandLine.demoServiceURL;
        store->setValue(AppSettings::serviceURLKey, base);
        store->setValue(AppSettings::efetchURLKey, QString((base.endsWith(u'/') ? base.chopped(1) : base) +
                                                           QStringLiteral("/entrez/eutils/efetch.fcgi")));
        store->setValue(AppSettings::onboardingCompletedKey, true);
        store->sync();
        settings = std::make_shared<AppSettings>(std::move(store));
        // What onboarding's privacy step would have chosen.
        settings->applyRecommendedPrivacyDefaultsIfUnset();
        keyStore = std::make_shared<InMemoryKeyStore>(QStringLiteral("vorn_demo-throwaway-key"));
        autostartFolder = m_demoFolder->filePath(QStringLiteral("autostart"));
    } else {
        settings = std::make_shared<AppSettings>();
        keyStore = std::make_shared<SecretServiceKeyStore>();
    }

    // Extra authorities (the demo service's): read now, parsed at the first request, so
    // that the start does not load the TLS library.
    std::function<QList<QSslCertificate>()> certificates;
    if (m_commandLine.caCertificates) {
        QFile file(*m_commandLine.caCertificates);
        if (!file.open(QIODevice::ReadOnly))
            return std::unexpected(QStringLiteral("cannot read ") + file.fileName());
        const QByteArray pem = file.read(1 << 20);
        if (!pem.contains("-----BEGIN CERTIFICATE-----"))
            return std::unexpected(file.fileName() + QStringLiteral(" holds no PEM certificate"));
        auto parsed = std::make_shared<std::optional<QList<QSslCertificate>>>();
        certificates = [pem, parsed] {
            if (!*parsed)
                *parsed = QSslCertificate::fromData(pem, QSsl::Pem);
            return **parsed;
        };
    }

    m_accessibilityBus = std::make_shared<AccessibilityBusStatus>();
    m_permission = std::make_shared<AccessibilityPermissionManager>(m_accessibilityBus,
                                                                    [this] { showAccessibilityPrompt(); });
    AccessibilitySelectionProvider::Environment environment;
    environment.accessibility = std::make_shared<AtspiAccessibilityTree>(m_desktop, m_accessibilityBus);
    environment.applications = m_workspace;
    auto reader = std::make_shared<AccessibilitySelectionProvider>(m_permission, environment);

    m_windows = std::make_shared<ApplicationWindows>(StatusTrayIcon::isTrayAvailable());
    AppCoordinator::Dependencies dependencies;
    dependencies.settings = settings;
    dependencies.extraCACertificates = certificates;
    if (m_commandLine.demoServiceURL)
        dependencies.demoNote = demoNote;
    dependencies.readKeyStoreOffThread = true;
    // The accessibility reader first; Copy-and-restore when the user switched
    // Compatibility Capture on (read at every capture).
    const std::shared_ptr<X11Workspace> workspace = m_workspace;
    const auto pasteboard = std::make_shared<QtClipboardPasteboard>();
    dependencies.pasteboard = pasteboard;
    // PubMed records from "pubmed.efetchURL" (the demo service in demo mode).
    dependencies.articleService = std::make_shared<PubMedArticleService>(
        settings->efetchEndpoint(),
        LiteratureNetworking::ephemeralSessionWithAuthorities(std::chrono::seconds(20), certificates));
    dependencies.selectionProvider = CompositeSelectionProvider::make(
        reader, pasteboard, std::make_shared<XTestCopyCommandSender>(m_desktop),
        [workspace] { return workspace->frontmostProcessIdentifier(); },
        [settings] { return settings->compatibilityCaptureEnabled(); }, TestingProbe::captureLimits());
    // The selection badge: selection gestures from XInput 2 raw events, a 140 ms
    // debounce, provisional candidates only with Compatibility Capture on.
    dependencies.automaticSelectionMonitor = std::make_shared<AutomaticSelectionMonitor>(
        dependencies.selectionProvider, [settings] { return settings->compatibilityCaptureEnabled(); }, 140,
        AutomaticSelectionMonitor::Environment{std::make_shared<X11InputMonitor>(),
                                               std::make_shared<X11ActivationObserver>(m_desktop), nullptr,
                                               nullptr});
    dependencies.frontmostProcessIdentifier = [workspace] { return workspace->frontmostProcessIdentifier(); };
    dependencies.permissionManager = m_permission;
    dependencies.hotKeyManager = makeGlobalHotKey();
    dependencies.servicesProvider = m_servicesProvider;
    dependencies.launchAtLoginManager =
        std::make_shared<XdgAutostartLoginItem>(QCoreApplication::applicationFilePath(), autostartFolder);
    dependencies.activationObserver = std::make_shared<X11ActivationObserver>(m_desktop);
    dependencies.windows = m_windows;
    m_coordinator = std::make_unique<AppCoordinator>(keyStore, dependencies);
    m_windows->setCoordinator(m_coordinator.get());
    m_resultPanel = std::make_shared<LazyResultPanel>([this] {
        auto controller = std::make_unique<ResultPanelController>(
            *m_coordinator, ResultPanelView::Actions{{},
                                                     [this] { m_coordinator->showSettings(); },
                                                     [this] { m_coordinator->openAccessibilitySettings(); }});
        if (m_probe)
            m_probe->watchResultPanel(controller->panel());
        return controller;
    });
    m_coordinator->setResultPanelController(m_resultPanel);
    m_citePanel = std::make_shared<LazyPanel<CitePanelControlling, CitePanelController>>(
        [this] { return std::make_unique<CitePanelController>(*m_coordinator); });
    m_coordinator->setCitePanelController(m_citePanel);
    m_badge = std::make_shared<SelectionBadgePanelController>(*m_coordinator);
    m_coordinator->setSelectionBadgeController(m_badge);

    m_handOff->setSettingsHandler([this] { m_coordinator->showSettings(); });
    if (TestingProbe::isWanted()) {
        m_probe = new TestingProbe(*m_coordinator, this);
        m_probe->exportOn(QDBusConnection::sessionBus());
    }
    m_tray =
        std::make_unique<StatusTrayIcon>(*m_coordinator, m_commandLine.demoServiceURL ? demoNote : QString());
    connect(m_tray.get(), &StatusTrayIcon::quitRequested, this, &DesktopApplication::quitRequested);
    return {};
}

void DesktopApplication::start()
{
    // The tray icon is there from launch; start then wires the entry points.
    m_tray->show();
    m_coordinator->start();
    const HandOffRequest& request = m_commandLine.request;
    if (request.kind == HandOffRequest::Kind::findText)
        m_handOff->FindCitations(request.text);
    else if (request.kind == HandOffRequest::Kind::findSelection)
        m_handOff->FindSelection();
    else if (request.kind == HandOffRequest::Kind::showSettings)
        m_handOff->ShowSettings();
}

void DesktopApplication::stop()
{
    if (m_coordinator)
        m_coordinator->stop();
}

void DesktopApplication::showAccessibilityPrompt()
{
    if (m_promptShowing)
        return;
    m_promptShowing = true;
    auto* prompt = new AccessibilityPrompt([this] {
        m_permission->grantAccess();
        if (m_coordinator)
            m_coordinator->refreshAccessibilityStatus();
    });
    prompt->setAttribute(Qt::WA_DeleteOnClose);
    connect(prompt, &QObject::destroyed, this, [this] { m_promptShowing = false; });
    prompt->show();
    prompt->raise();
    prompt->activateWindow();
}
