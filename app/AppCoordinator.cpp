#include "AppCoordinator.h"

#include "ApplicationLifecycle.h"
#include "AutomaticCandidates.h"
#include "ReportActions.h"
#include "SelectionTriggers.h"
#include "service/VORNBackendStack.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPromise>

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

// The running query: its stream and the backend that produces it (kept alive while
// the stream runs). Dropping it cancels the stream and so the backend's work.
struct AppCoordinator::QueryTask
{
    std::shared_ptr<LiteratureBackend> backend;
    std::unique_ptr<LiteratureQueryStream> stream;
    bool sawCompleted = false;

    ~QueryTask()
    {
        if (!stream)
            return;
        stream->cancel();
        // The task may end from inside one of the stream's own signals.
        stream.release()->deleteLater();
    }
};

AppCoordinator::AppCoordinator(std::shared_ptr<VORNAPIKeyStoring> keyStore)
    : AppCoordinator(std::move(keyStore), Dependencies{})
{
}

AppCoordinator::AppCoordinator(std::shared_ptr<VORNAPIKeyStoring> keyStore, Dependencies dependencies,
                               QObject* parent)
    : QObject(parent), m_settings(std::move(dependencies.settings)),
      m_credentials(std::make_unique<Credentials>(std::move(keyStore), dependencies.readKeyStoreOffThread)),
      m_resultPanelController(std::move(dependencies.resultPanelController)),
      m_backendFactory(std::move(dependencies.backendFactory)),
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
    connect(m_credentials.get(), &Credentials::scopeChanged, this, [this] { m_cachedBackend.reset(); });
    if (!m_selectionProvider)
        m_selectionProvider = std::make_shared<NoSelectionProvider>();
    if (!m_backendFactory) {
        // The caching HTTPS stack for the configured service, reading the key store at
        // every request on a thread of its own: a keyring that waits to be unlocked
        // never freezes the windows. The service address is read when a stack is built.
        m_backendFactory = [this, certificates = dependencies.extraCACertificates](const QString& scope) {
            return VORNBackendStack::make(VORNBackendStack::serviceBaseURL(m_settings->serviceURL()),
                                          VORNBackendStack::asynchronousKeyProvider(m_credentials->store()),
                                          m_vornCache, m_vornInFlight, scope,
                                          certificates ? certificates() : QList<QSslCertificate>());
        };
    }
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
    if (m_phase == ResultPanelPhase::loading && m_activeQuery && *m_activeQuery == query) {
        showResultPanel(anchor);
        return;
    }
    invalidateCurrentQuery();

    const QUuid id = QUuid::createUuid();
    m_activeQueryID = id;
    m_activeQuery = query;
    m_lastQuery = query;

    assign(m_phase, ResultPanelPhase::loading, &AppCoordinator::phaseChanged);
    assign(m_result, std::optional<LiteratureResult>(), &AppCoordinator::resultChanged);
    assign(m_errorMessage, std::optional<QString>(), &AppCoordinator::errorMessageChanged);
    assign(m_failureKind, std::optional<FailureKind>(), &AppCoordinator::failureKindChanged);
    assign(m_progressStep, searchingStep, &AppCoordinator::progressStepChanged);
    assign(m_progressContent, std::optional<QString>(), &AppCoordinator::progressContentChanged);

    showResultPanel(anchor);

    auto task = std::make_unique<QueryTask>();
    task->backend = makeBackend();
    task->stream = task->backend->query(query);
    LiteratureQueryStream* stream = task->stream.get();
    connect(stream, &LiteratureQueryStream::eventReceived, this,
            [this, id](const LiteratureQueryEvent& event) { handleQueryEvent(id, event); });
    connect(stream, &LiteratureQueryStream::finished, this, [this, id] { handleQueryEnd(id, std::nullopt); });
    connect(stream, &LiteratureQueryStream::failed, this,
            [this, id](const LiteratureError& error) { handleQueryEnd(id, error); });
    m_queryTask = std::move(task);
}

void AppCoordinator::handleQueryEvent(const QUuid& id, const LiteratureQueryEvent& event)
{
    if (m_activeQueryID != id) {
        // Output of a query that is no longer current: stop consuming it.
        return;
    }
    if (const auto* progress = event.asProgress()) {
        assign(m_progressStep, progress->step, &AppCoordinator::progressStepChanged);
        assign(m_progressContent, progress->content, &AppCoordinator::progressContentChanged);
    } else if (const auto* completed = event.asCompleted()) {
        m_queryTask->sawCompleted = true;
        assign(m_result, std::optional<LiteratureResult>(completed->result), &AppCoordinator::resultChanged);
        assign(m_phase, ResultPanelPhase::completed, &AppCoordinator::phaseChanged);
        assign(m_progressStep, QString(), &AppCoordinator::progressStepChanged);
        assign(m_progressContent, std::optional<QString>(), &AppCoordinator::progressContentChanged);
    }
}

void AppCoordinator::handleQueryEnd(const QUuid& id, const std::optional<LiteratureError>& error)
{
    if (m_activeQueryID != id)
        return;
    const bool sawCompleted = m_queryTask && m_queryTask->sawCompleted;
    finishQueryTask();

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

void AppCoordinator::finishQueryTask()
{
    m_activeQueryID.reset();
    m_activeQuery.reset();
    m_queryTask.reset();
}

void AppCoordinator::invalidateCurrentQuery()
{
    finishQueryTask();
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

FailureKind AppCoordinator::classify(const LiteratureError& error)
{
    switch (error.kind()) {
    case LiteratureError::Kind::requestFailed:
        switch (error.statusCode()) {
        case 401:
        case 403:
            return FailureKind::invalidKey;
        case 422:
            return FailureKind::invalidSelection;
        case 429:
            return FailureKind::rateLimited;
        default:
            return FailureKind::other;
        }
    case LiteratureError::Kind::missingCredential:
        return FailureKind::missingKey;
    default:
        return FailureKind::other;
    }
}

FailureKind AppCoordinator::classify(const SelectionCaptureError& error)
{
    switch (error.kind()) {
    case SelectionCaptureError::Kind::accessibilityFailure:
    case SelectionCaptureError::Kind::accessibilityPermissionRequired:
        return FailureKind::accessibility;
    case SelectionCaptureError::Kind::selectionTooLong:
    case SelectionCaptureError::Kind::secureField:
    case SelectionCaptureError::Kind::emptySelection:
    case SelectionCaptureError::Kind::staleSelection:
        return FailureKind::invalidSelection;
    case SelectionCaptureError::Kind::selectionUnavailable:
    case SelectionCaptureError::Kind::focusedElementUnavailable:
        return FailureKind::other;
    }
    Q_UNREACHABLE();
    return FailureKind::other;
}

FailureKind AppCoordinator::classify(const SelectionCaptureFailure& error)
{
    if (const auto* capture = std::get_if<SelectionCaptureError>(&error))
        return classify(*capture);
    if (const auto* literature = std::get_if<LiteratureError>(&error))
        return classify(*literature);
    return FailureKind::other;
}

QString AppCoordinator::friendlyMessage(const LiteratureError& error)
{
    return ::friendlyMessage(error);
}

QString AppCoordinator::friendlyMessage(const SelectionCaptureFailure& error)
{
    if (const auto* literature = std::get_if<LiteratureError>(&error))
        return friendlyMessage(*literature);
    return std::visit([](const auto& e) { return e.errorDescription(); }, error);
}

QString AppCoordinator::credentialScope(const std::optional<QString>& key)
{
    return VORNBackendStack::credentialScope(key);
}

std::shared_ptr<LiteratureBackend> AppCoordinator::makeBackend()
{
    // A changed key or a changed service address ("literature.serviceURL") each need a
    // new stack; the cache and the in-flight table outlive it.
    const QString serviceURL = m_settings->serviceURL();
    if (m_cachedBackend && m_cachedBackend->first == m_credentials->scope() &&
        m_cachedBackendServiceURL == serviceURL)
        return m_cachedBackend->second;
    std::shared_ptr<LiteratureBackend> backend = m_backendFactory(m_credentials->scope());
    m_cachedBackend = std::make_pair(m_credentials->scope(), backend);
    m_cachedBackendServiceURL = serviceURL;
    return backend;
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
