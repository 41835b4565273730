#include "AppCoordinator.h"

#include "ApplicationLifecycle.h"
#include "AutomaticCandidates.h"
#include "ReportActions.h"
#include "SelectionTriggers.h"
#include "service/VORNBackendStack.h"

#include <QDesktopServices>

#include <algorithm>

const QString AppCoordinator::searchingStep = QStringLiteral("Searching VORN");
const QString AppCoordinator::emptyAnswerMessage = QStringLiteral("VORN finished without usable citations.");

namespace {

// Until a window exists, showing the panel does nothing.
class NoResultPanel final : public ResultPanelControlling
{
public:
    void show(const std::optional<ScreenRect>&) override {}
    void hide() override {}
};

// Without a desktop to read from, every capture finds no text element.
class NoSelectionProvider final : public AsyncSystemSelectionCapturing
{
public:
    QFuture<AsyncSelectionCaptureResult> captureSelection(const SelectionCaptureOptions&) override
    {
        return QtFuture::makeReadyFuture(AsyncSelectionCaptureResult(
            std::unexpected(SelectionCaptureFailure(SelectionCaptureError::focusedElementUnavailable()))));
    }
    QFuture<bool> isStillValid(const SystemSelection&) override { return QtFuture::makeReadyFuture(false); }
};

class NoCitePanel final : public CitePanelControlling
{
public:
    void show(const std::optional<ScreenRect>&) override {}
    void hide() override {}
};

constexpr std::chrono::milliseconds articleServiceTimeout{20000};

} // namespace

AppCoordinator::AppCoordinator(std::shared_ptr<VORNAPIKeyStoring> keyStore)
    : AppCoordinator(std::move(keyStore), Dependencies{})
{
}

AppCoordinator::AppCoordinator(std::shared_ptr<VORNAPIKeyStoring> keyStore, Dependencies dependencies,
                               QObject* parent)
    : QObject(parent), m_settings(std::move(dependencies.settings)),
      m_credentials(std::make_unique<Credentials>(std::move(keyStore), dependencies.readKeyStoreOffThread)),
      m_resultPanelController(std::move(dependencies.resultPanelController)),
      m_citePanelController(std::move(dependencies.citePanelController)),
      m_pasteboard(std::move(dependencies.pasteboard)), m_openURL(std::move(dependencies.openURL)),
      m_selectionProvider(std::move(dependencies.selectionProvider)),
      m_vornCache(std::make_shared<InMemoryLiteratureCache>(VORNBackendStack::cacheEntries)),
      m_vornInFlight(std::make_shared<InFlightLiteratureRequests>())
{
    if (!m_settings)
        m_settings = std::make_shared<AppSettings>();
    if (!m_resultPanelController)
        m_resultPanelController = std::make_shared<NoResultPanel>();
    if (!m_citePanelController)
        m_citePanelController = std::make_shared<NoCitePanel>();
    if (!m_openURL)
        m_openURL = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    m_citationDetails = std::make_unique<CitationDetails>(
        dependencies.articleService ? std::move(dependencies.articleService)
                                    : std::make_shared<PubMedArticleService>(
                                          PubMedArticleService::defaultEndpoint(), articleServiceTimeout));
    if (!dependencies.sleeper)
        dependencies.sleeper = std::make_shared<TimerSleeper>();
    m_toast = std::make_unique<ToastState>(dependencies.sleeper);
    connect(m_citationDetails.get(), &CitationDetails::citeReferenceChanged, this,
            &AppCoordinator::citeReferenceChanged);
    connect(m_citationDetails.get(), &CitationDetails::citeDetailStatusChanged, this,
            &AppCoordinator::citeDetailStatusChanged);
    connect(m_toast.get(), &ToastState::messageChanged, this, &AppCoordinator::toastMessageChanged);
    connect(m_credentials.get(), &Credentials::statusChanged, this, &AppCoordinator::credentialStatusChanged);
    connect(m_credentials.get(), &Credentials::hasStoredAPIKeyChanged, this,
            &AppCoordinator::hasStoredAPIKeyChanged);
    connect(m_credentials.get(), &Credentials::maskedStoredAPIKeyChanged, this,
            &AppCoordinator::maskedStoredAPIKeyChanged);
    connect(m_credentials.get(), &Credentials::isWritingChanged, this,
            &AppCoordinator::isWritingAPIKeyChanged);
    // A backend is built for one key: another key needs another backend.
    connect(m_credentials.get(), &Credentials::scopeChanged, this, [this] { m_queries->forgetBackend(); });
    if (!m_selectionProvider)
        m_selectionProvider = std::make_shared<NoSelectionProvider>();
    LiteratureBackendFactory backendFactory = std::move(dependencies.backendFactory);
    if (!backendFactory) {
        // The caching HTTPS stack for the configured service, reading the key store at
        // every request on a thread of its own: a keyring that waits to be unlocked
        // never freezes the windows. The service address is read when a stack is built.
        backendFactory = [this, certificates = dependencies.extraCACertificates](const QString& scope) {
            return VORNBackendStack::make(VORNBackendStack::serviceBaseURL(m_settings->serviceURL()),
                                          VORNBackendStack::asynchronousKeyProvider(m_credentials->store()),
                                          m_vornCache, m_vornInFlight, scope,
                                          certificates ? certificates() : QList<QSslCertificate>());
        };
    }
    m_queries = std::make_unique<QueryRunner>(
        std::move(backendFactory), [this] { return m_settings->serviceURL(); },
        [this] { return m_credentials->scope(); },
        QueryRunner::Handlers{[this](const LiteratureQueryEvent& event) { handleQueryEvent(event); },
                              [this](const std::optional<LiteratureError>& error, bool sawCompleted) {
                                  handleQueryEnd(error, sawCompleted);
                              }});
    m_windows = std::move(dependencies.windows);
    m_demoNote = std::move(dependencies.demoNote);
    m_updateController = std::make_unique<UpdateController>();
    m_triggers = std::make_unique<SelectionTriggers>(*this, m_selectionProvider);
    m_lifecycle = std::make_unique<ApplicationLifecycle>(
        *this, ApplicationLifecycle::Services{
                   std::move(dependencies.permissionManager), std::move(dependencies.hotKeyManager),
                   std::move(dependencies.servicesProvider), std::move(dependencies.launchAtLoginManager),
                   std::move(dependencies.activationObserver)});
    m_automaticCandidates = std::make_unique<AutomaticCandidates>(
        *this,
        AutomaticCandidates::Services{std::move(dependencies.automaticSelectionMonitor), dependencies.sleeper,
                                      std::move(dependencies.frontmostProcessIdentifier)});
    refreshCredentialStatus();
    m_launchAtLoginStatus = m_lifecycle->launchAtLoginStatus();
}

AppCoordinator::~AppCoordinator() = default;

void AppCoordinator::setResultPanelVisible(bool visible)
{
    assign(m_isResultPanelVisible, visible, &AppCoordinator::isResultPanelVisibleChanged);
}

void AppCoordinator::setResultPanelController(std::shared_ptr<ResultPanelControlling> controller)
{
    m_resultPanelController = controller ? std::move(controller) : std::make_shared<NoResultPanel>();
}

void AppCoordinator::setCitePanelController(std::shared_ptr<CitePanelControlling> controller)
{
    m_citePanelController = controller ? std::move(controller) : std::make_shared<NoCitePanel>();
}

// Query flow

void AppCoordinator::run(const LiteratureQuery& query, const std::optional<ScreenRect>& anchor)
{
    if (m_phase == ResultPanelPhase::loading && m_queries->activeQuery() == query) {
        showResultPanel(anchor);
        return;
    }
    invalidateCurrentQuery();
    m_lastQuery = query;

    assign(m_phase, ResultPanelPhase::loading, &AppCoordinator::phaseChanged);
    assign(m_result, std::optional<LiteratureResult>(), &AppCoordinator::resultChanged);
    assign(m_errorMessage, std::optional<QString>(), &AppCoordinator::errorMessageChanged);
    assign(m_failureKind, std::optional<FailureKind>(), &AppCoordinator::failureKindChanged);
    assign(m_progressStep, searchingStep, &AppCoordinator::progressStepChanged);
    assign(m_progressContent, std::optional<QString>(), &AppCoordinator::progressContentChanged);

    showResultPanel(anchor);
    m_queries->start(query);
}

void AppCoordinator::handleQueryEvent(const LiteratureQueryEvent& event)
{
    if (const auto* progress = event.asProgress()) {
        assign(m_progressStep, progress->step, &AppCoordinator::progressStepChanged);
        assign(m_progressContent, progress->content, &AppCoordinator::progressContentChanged);
    } else if (const auto* completed = event.asCompleted()) {
        assign(m_result, std::optional<LiteratureResult>(completed->result), &AppCoordinator::resultChanged);
        assign(m_phase, ResultPanelPhase::completed, &AppCoordinator::phaseChanged);
        assign(m_progressStep, QString(), &AppCoordinator::progressStepChanged);
        assign(m_progressContent, std::optional<QString>(), &AppCoordinator::progressContentChanged);
    }
}

void AppCoordinator::handleQueryEnd(const std::optional<LiteratureError>& error, bool sawCompleted)
{
    if (!error) {
        if (!sawCompleted)
            showError(emptyAnswerMessage, FailureKind::other);
        return;
    }
    if (error->kind() == LiteratureError::Kind::cancelled) {
        assign(m_phase, ResultPanelPhase::failed, &AppCoordinator::phaseChanged);
        assign(m_errorMessage, std::optional<QString>(error->errorDescription()),
               &AppCoordinator::errorMessageChanged);
        assign(m_failureKind, std::optional<FailureKind>(FailureKind::other),
               &AppCoordinator::failureKindChanged);
        return;
    }
    showError(friendlyMessage(*error), classify(*error));
}

void AppCoordinator::invalidateCurrentQuery()
{
    m_queries->stop();
}

void AppCoordinator::cancelQuery()
{
    const bool wasLoading = m_phase == ResultPanelPhase::loading;
    invalidateCurrentQuery();
    if (!wasLoading)
        return;
    assign(m_phase, ResultPanelPhase::failed, &AppCoordinator::phaseChanged);
    assign(m_errorMessage, std::optional<QString>(LiteratureError::cancelled().errorDescription()),
           &AppCoordinator::errorMessageChanged);
    assign(m_failureKind, std::optional<FailureKind>(FailureKind::other),
           &AppCoordinator::failureKindChanged);
}

void AppCoordinator::retryLastQuery()
{
    if (!m_lastQuery)
        return;
    const LiteratureQuery query = *m_lastQuery;
    run(query, selectionBounds());
}

bool AppCoordinator::canRetryLastQuery() const
{
    return m_lastQuery.has_value() && m_phase != ResultPanelPhase::loading;
}

void AppCoordinator::hideResultPanel()
{
    dismissCite();
    m_resultPanelController->hide();
}

void AppCoordinator::limitResultPanelHeight(double available)
{
    const double limited = std::max(std::min(available, 560.0), 180.0);
    if (limited != m_resultPanelMaxHeight)
        assign(m_resultPanelMaxHeight, limited, &AppCoordinator::resultPanelMaxHeightChanged);
}

void AppCoordinator::showError(const QString& message, FailureKind kind)
{
    assign(m_phase, ResultPanelPhase::failed, &AppCoordinator::phaseChanged);
    assign(m_errorMessage, std::optional<QString>(message), &AppCoordinator::errorMessageChanged);
    assign(m_failureKind, std::optional<FailureKind>(kind), &AppCoordinator::failureKindChanged);
    assign(m_progressStep, QString(), &AppCoordinator::progressStepChanged);
    assign(m_progressContent, std::optional<QString>(), &AppCoordinator::progressContentChanged);
    showResultPanel(selectionBounds());
}

void AppCoordinator::showResultPanel(const std::optional<ScreenRect>& anchor)
{
    m_resultPanelController->show(anchor);
}

std::optional<ScreenRect> AppCoordinator::selectionBounds() const
{
    return m_selection ? m_selection->bounds : std::nullopt;
}

QString AppCoordinator::credentialScope(const std::optional<QString>& key)
{
    return VORNBackendStack::credentialScope(key);
}

// Credentials

void AppCoordinator::refreshCredentialStatus()
{
    m_credentials->refresh();
}

std::expected<void, VORNAPIKeyStoreError> AppCoordinator::saveAPIKey(const QString& key)
{
    return m_credentials->save(key);
}

std::expected<void, VORNAPIKeyStoreError> AppCoordinator::deleteAPIKey()
{
    return m_credentials->remove();
}

void AppCoordinator::saveAPIKey(const QString& key, KeyStoreWriteDone done)
{
    m_credentials->save(key, std::move(done));
}

void AppCoordinator::deleteAPIKey(KeyStoreWriteDone done)
{
    m_credentials->remove(std::move(done));
}

// Triggers

void AppCoordinator::captureCitations()
{
    m_automaticCandidates->withdrawForCapture();
    m_triggers->captureCitations();
}

void AppCoordinator::dispatch(const SelectionContext& context)
{
    m_triggers->dispatch(context);
}

void AppCoordinator::handleSelectionCaptureFailure(const SelectionCaptureFailure& failure)
{
    m_triggers->handleSelectionCaptureFailure(failure);
}

void AppCoordinator::setCompatibilityCaptureEnabled(bool enabled)
{
    // The capture reads the setting at each use.
    m_settings->setCompatibilityCaptureEnabled(enabled);
}

void AppCoordinator::setAutomaticSelectionEnabled(bool enabled)
{
    m_automaticCandidates->setEnabled(enabled);
}

bool AppCoordinator::isCapturingSelection() const
{
    return m_triggers->isCapturing();
}

// The selection badge

void AppCoordinator::setSelectionBadgeController(std::shared_ptr<SelectionBadgeControlling> controller)
{
    m_automaticCandidates->setBadgeController(std::move(controller));
}

bool AppCoordinator::hasAutomaticCandidate() const
{
    return m_automaticCandidates->candidate().has_value();
}

const std::optional<AutomaticSelectionCandidate>& AppCoordinator::automaticCandidate() const
{
    return m_automaticCandidates->candidate();
}

const AutomaticSelectionMonitoring& AppCoordinator::automaticSelectionMonitor() const
{
    return m_automaticCandidates->monitor();
}

void AppCoordinator::handleAutomaticAction()
{
    m_automaticCandidates->handleAction();
}

void AppCoordinator::presentAutomaticCandidate(const AutomaticSelectionEvent& event)
{
    m_automaticCandidates->present(event);
}

void AppCoordinator::invalidateAutomaticCandidate()
{
    m_automaticCandidates->invalidate();
}

void AppCoordinator::synchronizeAutomaticSelectionMonitor()
{
    m_automaticCandidates->synchronizeMonitor();
}

// Lifecycle

void AppCoordinator::start()
{
    m_lifecycle->start();
}

void AppCoordinator::stop()
{
    m_lifecycle->stop();
}

bool AppCoordinator::hasStarted() const
{
    return m_lifecycle->hasStarted();
}

void AppCoordinator::refreshAccessibilityStatus()
{
    m_lifecycle->refreshAccessibilityStatus();
}

bool AppCoordinator::completeOnboarding()
{
    return m_lifecycle->completeOnboarding();
}

void AppCoordinator::prepareOnboardingPrivacyStep()
{
    m_settings->applyRecommendedPrivacyDefaultsIfUnset();
}

bool AppCoordinator::requestAccessibilityPermission()
{
    return m_lifecycle->requestAccessibilityPermission();
}

void AppCoordinator::openAccessibilitySettings()
{
    m_lifecycle->openAccessibilitySettings();
}

bool AppCoordinator::isAccessibilityTrusted() const
{
    return m_lifecycle->isAccessibilityTrusted();
}

std::expected<void, LaunchAtLoginError> AppCoordinator::setLaunchAtLoginEnabled(bool enabled)
{
    return m_lifecycle->setLaunchAtLoginEnabled(enabled);
}

void AppCoordinator::refreshLaunchAtLoginStatus()
{
    assign(m_launchAtLoginStatus, m_lifecycle->launchAtLoginStatus(),
           &AppCoordinator::launchAtLoginStatusChanged);
}

void AppCoordinator::openLoginItemsSettings()
{
    m_lifecycle->openLoginItemsSettings();
}

void AppCoordinator::checkForUpdates()
{
    m_updateController->checkForUpdates();
}

void AppCoordinator::showSettings()
{
    if (m_windows)
        m_windows->showSettings();
}

void AppCoordinator::showOnboarding()
{
    if (m_windows)
        m_windows->showOnboarding();
}

void AppCoordinator::showAbout()
{
    if (m_windows)
        m_windows->showAbout();
}

// Citation details, reports and toasts

void AppCoordinator::presentCite(const LiteratureReference& reference)
{
    const bool needsFetch = m_citationDetails->present(reference);
    m_citePanelController->show(m_isResultPanelVisible ? m_resultPanelController->frame() : std::nullopt);
    if (needsFetch)
        fetchArticleDetails(reference.pmid);
}

void AppCoordinator::fetchArticleDetails(const QString& pmid)
{
    m_citationDetails->fetchArticleDetails(pmid, m_result);
}

void AppCoordinator::dismissCite()
{
    m_citationDetails->dismiss();
    m_citePanelController->hide();
}

void AppCoordinator::cancelArticleFetch()
{
    m_citationDetails->cancelFetch();
}

void AppCoordinator::showToast(const QString& message)
{
    m_toast->show(message);
}

void AppCoordinator::copyPlainReport()
{
    if (m_result && m_pasteboard)
        ReportActions::copyPlainReport(*m_pasteboard, *m_result, m_settings->includeEvidence());
}

void AppCoordinator::copyRichReport()
{
    if (m_result && m_pasteboard)
        ReportActions::copyRichReport(*m_pasteboard, *m_result, m_settings->includeEvidence());
}

void AppCoordinator::openReference(const LiteratureReference& reference)
{
    if (const std::optional<QUrl> url = ReportActions::referenceURL(reference))
        m_openURL(*url);
}
