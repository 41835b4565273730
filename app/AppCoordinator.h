#pragma once

#include "AppServices.h"
#include "AppSettings.h"
#include "CitationDetails.h"
#include "Credentials.h"
#include "FailureKind.h"
#include "GlobalHotKey.h"
#include "LifecycleServices.h"
#include "QueryRunner.h"
#include "ServicesProvider.h"
#include "ToastState.h"
#include "capture/PlatformPasteboardAccessing.h"
#include "capture/SelectionCaptureError.h"
#include "capture/SelectionCapturing.h"
#include "literature/LiteratureBackend.h"
#include "literature/LiteratureError.h"
#include "literature/LiteratureRecords.h"
#include "service/InFlightLiteratureRequests.h"
#include "service/InMemoryLiteratureCache.h"

#include <QObject>
#include <QSslCertificate>

#include <functional>
#include <memory>
#include <optional>

enum class ResultPanelPhase
{
    idle,
    loading,
    completed,
    failed
};

// The one object that ties the application together: it owns the services, holds
// every piece of state the windows show, and runs literature queries (QueryRunner).
// Each concern lives in a class of its own that the coordinator owns and forwards to.
// Main thread only.
// Every property's notify signal is emitted on each assignment, also when the value
// does not change.
class SelectionTriggers;
class ApplicationLifecycle;
class AutomaticCandidates;

class AppCoordinator final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppCoordinator)

    Q_PROPERTY(ResultPanelPhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(std::optional<SelectionContext> selection READ selection NOTIFY selectionChanged)
    Q_PROPERTY(std::optional<LiteratureResult> result READ result NOTIFY resultChanged)
    Q_PROPERTY(QString progressStep READ progressStep NOTIFY progressStepChanged)
    Q_PROPERTY(std::optional<QString> progressContent READ progressContent NOTIFY progressContentChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(std::optional<FailureKind> failureKind READ failureKind NOTIFY failureKindChanged)
    Q_PROPERTY(bool hasStoredAPIKey READ hasStoredAPIKey NOTIFY hasStoredAPIKeyChanged)
    Q_PROPERTY(bool isWritingAPIKey READ isWritingAPIKey NOTIFY isWritingAPIKeyChanged)
    Q_PROPERTY(CredentialStatus credentialStatus READ credentialStatus NOTIFY credentialStatusChanged)
    Q_PROPERTY(
        std::optional<QString> maskedStoredAPIKey READ maskedStoredAPIKey NOTIFY maskedStoredAPIKeyChanged)
    Q_PROPERTY(
        std::optional<LiteratureReference> citeReference READ citeReference NOTIFY citeReferenceChanged)
    Q_PROPERTY(CiteDetailStatus citeDetailStatus READ citeDetailStatus NOTIFY citeDetailStatusChanged)
    Q_PROPERTY(std::optional<QString> toastMessage READ toastMessage NOTIFY toastMessageChanged)
    Q_PROPERTY(bool isResultPanelVisible READ isResultPanelVisible WRITE setResultPanelVisible NOTIFY
                   isResultPanelVisibleChanged)
    Q_PROPERTY(double resultPanelMaxHeight READ resultPanelMaxHeight NOTIFY resultPanelMaxHeightChanged)
    Q_PROPERTY(
        LaunchAtLoginStatus launchAtLoginStatus READ launchAtLoginStatus NOTIFY launchAtLoginStatusChanged)
    Q_PROPERTY(GlobalHotKeyRegistrationReport shortcutRegistrationReport READ shortcutRegistrationReport
                   NOTIFY shortcutRegistrationReportChanged)
    Q_PROPERTY(std::optional<QString> shortcutStatusMessage READ shortcutStatusMessage NOTIFY
                   shortcutStatusMessageChanged)
    Q_PROPERTY(std::optional<QString> accessibilityWarning READ accessibilityWarning NOTIFY
                   accessibilityWarningChanged)
    Q_PROPERTY(std::optional<QString> pendingUpdateVersion READ pendingUpdateVersion NOTIFY
                   pendingUpdateVersionChanged)
    Q_PROPERTY(bool hasAutomaticCandidate READ hasAutomaticCandidate NOTIFY automaticCandidateChanged)

public:
    // Replacements for the default services; anything left empty gets its default.
    struct Dependencies
    {
        std::shared_ptr<AppSettings> settings;
        std::shared_ptr<ResultPanelControlling> resultPanelController;
        LiteratureBackendFactory backendFactory;
        // Reads for the credential status run on the key store's thread and are applied
        // when they arrive, so a keyring that waits to be unlocked never holds up the
        // event loop (the application); by default they run at once (tests).
        bool readKeyStoreOffThread = false;
        // Trusted beside the system's roots by the default backend (a local demo service);
        // asked for when the first backend is built.
        std::function<QList<QSslCertificate>()> extraCACertificates;
        // A line the result panel shows above every result (the demo mode says so).
        std::optional<QString> demoNote;
        // The one selection provider (a CompositeSelectionProvider in the application).
        std::shared_ptr<AsyncSystemSelectionCapturing> selectionProvider;
        // Triggers and lifecycle (SelectionTriggers, ApplicationLifecycle).
        std::shared_ptr<AccessibilityPermissionManaging> permissionManager;
        std::shared_ptr<GlobalHotKeyProviding> hotKeyManager;
        std::shared_ptr<VORNCiteServicesProviding> servicesProvider;
        std::shared_ptr<LaunchAtLoginManaging> launchAtLoginManager;
        std::shared_ptr<ApplicationActivationObserving> activationObserver;
        std::shared_ptr<ApplicationWindowsPresenting> windows;
        // Citation details, reports and toasts.
        std::shared_ptr<CitePanelControlling> citePanelController;
        std::shared_ptr<PlatformPasteboardAccessing> pasteboard; // without one, copies do nothing
        std::shared_ptr<PubMedArticleService> articleService; // default: NCBI efetch, 20 s
        std::shared_ptr<Sleeping> sleeper; // default: timers on the event loop
        std::function<bool(const QUrl&)> openURL; // default: QDesktopServices
        // The selection badge (AutomaticCandidates): the monitor, and the frontmost
        // application's process id for a provisional candidate's click.
        std::shared_ptr<AutomaticSelectionMonitoring> automaticSelectionMonitor;
        std::function<std::optional<qint32>()> frontmostProcessIdentifier;
    };

    explicit AppCoordinator(std::shared_ptr<VORNAPIKeyStoring> keyStore);
    AppCoordinator(std::shared_ptr<VORNAPIKeyStoring> keyStore, Dependencies dependencies,
                   QObject* parent = nullptr);
    ~AppCoordinator() override;

    [[nodiscard]] ResultPanelPhase phase() const { return m_phase; }
    [[nodiscard]] const std::optional<SelectionContext>& selection() const { return m_selection; }
    [[nodiscard]] const std::optional<LiteratureResult>& result() const { return m_result; }
    [[nodiscard]] const QString& progressStep() const { return m_progressStep; }
    [[nodiscard]] const std::optional<QString>& progressContent() const { return m_progressContent; }
    [[nodiscard]] const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    [[nodiscard]] std::optional<FailureKind> failureKind() const { return m_failureKind; }
    [[nodiscard]] bool hasStoredAPIKey() const { return m_credentials->hasStoredAPIKey(); }
    [[nodiscard]] const CredentialStatus& credentialStatus() const { return m_credentials->status(); }
    [[nodiscard]] const std::optional<QString>& maskedStoredAPIKey() const
    {
        return m_credentials->maskedStoredAPIKey();
    }
    [[nodiscard]] const std::optional<LiteratureReference>& citeReference() const
    {
        return m_citationDetails->citeReference();
    }
    [[nodiscard]] const CiteDetailStatus& citeDetailStatus() const
    {
        return m_citationDetails->citeDetailStatus();
    }
    [[nodiscard]] const std::optional<QString>& toastMessage() const { return m_toast->message(); }
    [[nodiscard]] bool isResultPanelVisible() const { return m_isResultPanelVisible; }
    [[nodiscard]] double resultPanelMaxHeight() const { return m_resultPanelMaxHeight; }
    [[nodiscard]] LaunchAtLoginStatus launchAtLoginStatus() const { return m_launchAtLoginStatus; }
    [[nodiscard]] const GlobalHotKeyRegistrationReport& shortcutRegistrationReport() const
    {
        return m_shortcutRegistrationReport;
    }
    [[nodiscard]] const std::optional<QString>& demoNote() const { return m_demoNote; }
    [[nodiscard]] const std::optional<QString>& shortcutStatusMessage() const
    {
        return m_shortcutStatusMessage;
    }
    [[nodiscard]] const std::optional<QString>& accessibilityWarning() const
    {
        return m_accessibilityWarning;
    }
    [[nodiscard]] const std::optional<QString>& pendingUpdateVersion() const
    {
        return m_pendingUpdateVersion;
    }

    // Written by the result panel controller when it shows or hides the panel.
    void setResultPanelVisible(bool visible);
    // The window controller, which needs the coordinator to exist first.
    void setResultPanelController(std::shared_ptr<ResultPanelControlling> controller);
    // The cite panel's controller, which needs the coordinator to exist first.
    void setCitePanelController(std::shared_ptr<CitePanelControlling> controller);
    // The selection badge's controller, which needs the coordinator to exist first.
    void setSelectionBadgeController(std::shared_ptr<SelectionBadgeControlling> controller);

    // Query flow.
    void run(const LiteratureQuery& query, const std::optional<ScreenRect>& anchor);
    void cancelQuery();
    void retryLastQuery();
    [[nodiscard]] bool canRetryLastQuery() const;
    void hideResultPanel();
    void limitResultPanelHeight(double available);
    void invalidateCurrentQuery();
    void showError(const QString& message, FailureKind kind);

    // How a failure is shown, and the sentence shown (FailureKind.h).
    [[nodiscard]] static FailureKind classify(const LiteratureError& error) { return ::failureKind(error); }
    [[nodiscard]] static FailureKind classify(const SelectionCaptureError& error)
    {
        return ::failureKind(error);
    }
    [[nodiscard]] static FailureKind classify(const SelectionCaptureFailure& error)
    {
        return ::failureKind(error);
    }
    [[nodiscard]] static QString friendlyMessage(const LiteratureError& error)
    {
        return ::failureMessage(error);
    }
    [[nodiscard]] static QString friendlyMessage(const SelectionCaptureFailure& error)
    {
        return ::failureMessage(error);
    }
    // "missing" without a key, else the lowercase hexadecimal SHA-256 of its UTF-8 bytes.
    [[nodiscard]] static QString credentialScope(const std::optional<QString>& key);

    [[nodiscard]] AppSettings& settings() const { return *m_settings; }
    // The one result cache that every backend built by the factory should share.
    [[nodiscard]] const std::shared_ptr<InMemoryLiteratureCache>& resultCache() const { return m_vornCache; }
    [[nodiscard]] AsyncSystemSelectionCapturing& selectionProvider() const { return *m_selectionProvider; }

    // Citation details, reports and toasts.
    void presentCite(const LiteratureReference& reference);
    void dismissCite();
    void showToast(const QString& message);
    void copyPlainReport();
    void copyRichReport();
    void openReference(const LiteratureReference& reference);
    // Stops a running details fetch without closing the cite panel (shutdown).
    void cancelArticleFetch();
    // The general clipboard, which the cite panel writes citations to; null without one.
    [[nodiscard]] PlatformPasteboardAccessing* pasteboard() const { return m_pasteboard.get(); }
    [[nodiscard]] const QHash<QString, ArticleMetadata>& articleMetadataCache() const
    {
        return m_citationDetails->articleMetadataCache();
    }

    // Credentials (Credentials).
    [[nodiscard]] VORNAPIKeyStoring& keyStore() const { return *m_credentials->store(); }
    [[nodiscard]] const QString& currentCredentialScope() const { return m_credentials->scope(); }
    void refreshCredentialStatus();
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString& key);
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey();
    // The same from the windows: with readKeyStoreOffThread the store is written on its
    // own thread (a locked keyring may wait for its prompt without freezing a window),
    // isWritingAPIKey holds meanwhile, and done runs on this thread with the outcome;
    // otherwise at once. done is not called when the coordinator is gone first.
    using KeyStoreWriteDone = Credentials::WriteDone;
    void saveAPIKey(const QString& key, KeyStoreWriteDone done);
    void deleteAPIKey(KeyStoreWriteDone done);
    [[nodiscard]] bool isWritingAPIKey() const { return m_credentials->isWriting(); }

    // Triggers (SelectionTriggers).
    void captureCitations();
    void dispatch(const SelectionContext& context);
    void handleSelectionCaptureFailure(const SelectionCaptureFailure& failure);
    void setCompatibilityCaptureEnabled(bool enabled);
    void setAutomaticSelectionEnabled(bool enabled);
    [[nodiscard]] bool isCapturingSelection() const;

    // The selection badge's candidate (AutomaticCandidates).
    [[nodiscard]] bool hasAutomaticCandidate() const;
    [[nodiscard]] const std::optional<AutomaticSelectionCandidate>& automaticCandidate() const;
    [[nodiscard]] const AutomaticSelectionMonitoring& automaticSelectionMonitor() const;
    void handleAutomaticAction();
    void presentAutomaticCandidate(const AutomaticSelectionEvent& event);
    void invalidateAutomaticCandidate();
    void synchronizeAutomaticSelectionMonitor();

    // Lifecycle (ApplicationLifecycle) and the application's windows.
    void start();
    void stop();
    [[nodiscard]] bool hasStarted() const;
    void refreshAccessibilityStatus();
    bool completeOnboarding();
    void prepareOnboardingPrivacyStep();
    bool requestAccessibilityPermission();
    void openAccessibilitySettings();
    [[nodiscard]] bool isAccessibilityTrusted() const;
    std::expected<void, LaunchAtLoginError> setLaunchAtLoginEnabled(bool enabled);
    void refreshLaunchAtLoginStatus();
    void openLoginItemsSettings();
    void checkForUpdates();
    [[nodiscard]] const UpdateController& updateController() const { return *m_updateController; }
    void showSettings();
    void showOnboarding();
    void showAbout();

    static const QString searchingStep;
    static const QString emptyAnswerMessage;

signals:
    void phaseChanged();
    void selectionChanged();
    void resultChanged();
    void progressStepChanged();
    void progressContentChanged();
    void errorMessageChanged();
    void failureKindChanged();
    void hasStoredAPIKeyChanged();
    void isWritingAPIKeyChanged();
    void credentialStatusChanged();
    void maskedStoredAPIKeyChanged();
    void citeReferenceChanged();
    void citeDetailStatusChanged();
    void toastMessageChanged();
    void isResultPanelVisibleChanged();
    void resultPanelMaxHeightChanged();
    void launchAtLoginStatusChanged();
    void shortcutRegistrationReportChanged();
    void shortcutStatusMessageChanged();
    void accessibilityWarningChanged();
    void pendingUpdateVersionChanged();
    void automaticCandidateChanged();

private:
    friend class SelectionTriggers;
    friend class ApplicationLifecycle;
    friend class AutomaticCandidates;

    template <typename T, typename Signal>
    void assign(T& field, T value, Signal signal)
    {
        field = std::move(value);
        emit(this->*signal)();
    }

    void fetchArticleDetails(const QString& pmid);
    void showResultPanel(const std::optional<ScreenRect>& anchor);
    std::optional<ScreenRect> selectionBounds() const;
    void handleQueryEvent(const LiteratureQueryEvent& event);
    void handleQueryEnd(const std::optional<LiteratureError>& error, bool sawCompleted);

    // Observable state.
    ResultPanelPhase m_phase = ResultPanelPhase::idle;
    std::optional<SelectionContext> m_selection;
    std::optional<LiteratureResult> m_result;
    QString m_progressStep;
    std::optional<QString> m_progressContent;
    std::optional<QString> m_errorMessage;
    std::optional<FailureKind> m_failureKind;
    bool m_isResultPanelVisible = false;
    double m_resultPanelMaxHeight = 560;
    LaunchAtLoginStatus m_launchAtLoginStatus = LaunchAtLoginStatus::unavailable;
    GlobalHotKeyRegistrationReport m_shortcutRegistrationReport;
    std::optional<QString> m_shortcutStatusMessage;
    std::optional<QString> m_accessibilityWarning;
    std::optional<QString> m_pendingUpdateVersion;
    std::optional<QString> m_demoNote; // fixed for the life of the coordinator

    // Services.
    std::shared_ptr<AppSettings> m_settings;
    std::unique_ptr<Credentials> m_credentials;
    std::shared_ptr<ResultPanelControlling> m_resultPanelController;
    std::shared_ptr<CitePanelControlling> m_citePanelController;
    std::shared_ptr<PlatformPasteboardAccessing> m_pasteboard;
    std::function<bool(const QUrl&)> m_openURL;
    std::unique_ptr<CitationDetails> m_citationDetails;
    std::unique_ptr<ToastState> m_toast;
    std::shared_ptr<AsyncSystemSelectionCapturing> m_selectionProvider;

    // One result cache and one in-flight table for the life of the coordinator; every
    // backend built over them shares them.
    std::shared_ptr<InMemoryLiteratureCache> m_vornCache;
    std::shared_ptr<InFlightLiteratureRequests> m_vornInFlight;

    // Query state.
    std::unique_ptr<QueryRunner> m_queries;
    std::optional<LiteratureQuery> m_lastQuery;

    // Declared last: they reach into the state above.
    std::shared_ptr<ApplicationWindowsPresenting> m_windows;
    std::unique_ptr<UpdateController> m_updateController;
    std::unique_ptr<SelectionTriggers> m_triggers;
    std::unique_ptr<ApplicationLifecycle> m_lifecycle;
    std::unique_ptr<AutomaticCandidates> m_automaticCandidates;
};
