#include "AppCoordinator.h"

#include <QCryptographicHash>

#include <algorithm>

const QString AppCoordinator::maskedKeyText =
    QStringLiteral("vorn_\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022 (saved)");
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

// The backend of a build without a configured citation service: every query fails
// with the endpoint error.
class UnconfiguredBackend final : public LiteratureBackend
{
public:
    std::unique_ptr<LiteratureQueryStream> query(const LiteratureQuery&) override
    {
        auto [stream, sink] = LiteratureQueryStream::create();
        sink.fail(LiteratureError::invalidEndpoint());
        return std::move(stream);
    }
};

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

AppCoordinator::AppCoordinator(std::shared_ptr<VORNAPIKeyStoring> keyStore, Dependencies dependencies,
                               QObject* parent)
    : QObject(parent),
      m_keyStore(std::move(keyStore)),
      m_resultPanelController(std::move(dependencies.resultPanelController)),
      m_backendFactory(std::move(dependencies.backendFactory))
{
    Q_ASSERT(m_keyStore);
    if (!m_resultPanelController)
        m_resultPanelController = std::make_shared<NoResultPanel>();
    if (!m_backendFactory)
        m_backendFactory = [](const QString&) { return std::make_shared<UnconfiguredBackend>(); };
    refreshCredentialStatus();
}

AppCoordinator::~AppCoordinator() = default;

void AppCoordinator::setResultPanelVisible(bool visible)
{
    assign(m_isResultPanelVisible, visible, &AppCoordinator::isResultPanelVisibleChanged);
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
        assign(m_errorMessage, std::optional<QString>(error->errorDescription()), &AppCoordinator::errorMessageChanged);
        assign(m_failureKind, std::optional<FailureKind>(FailureKind::other), &AppCoordinator::failureKindChanged);
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
    assign(m_failureKind, std::optional<FailureKind>(FailureKind::other), &AppCoordinator::failureKindChanged);
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

QString AppCoordinator::friendlyMessage(const LiteratureError& error)
{
    if (error.kind() != LiteratureError::Kind::requestFailed)
        return error.errorDescription();
    const std::optional<QString>& serverMessage = error.message();
    switch (error.statusCode()) {
    case 401:
    case 403:
        return QStringLiteral("VORN rejected this API key. Replace it with an active vorn_ key in Settings.");
    case 422:
        if (serverMessage)
            return QStringLiteral("VORN rejected the selected sentence: ") + *serverMessage;
        return QStringLiteral("VORN rejected the selected sentence.");
    case 429: {
        const QString declined =
            QStringLiteral("VORN declined this request because usage or rate limits were reached.");
        if (serverMessage)
            return declined + u' ' + *serverMessage;
        return declined + QStringLiteral(" Check the account before retrying.");
    }
    case 502:
    case 503:
        return QStringLiteral("The VORN citation service is temporarily unavailable. Try once more in a moment.");
    case 504:
        return QStringLiteral("The VORN citation search exceeded its server timeout. Try once more.");
    default:
        return error.errorDescription();
    }
}

QString AppCoordinator::credentialScope(const std::optional<QString>& key)
{
    if (!key)
        return QStringLiteral("missing");
    return QString::fromLatin1(QCryptographicHash::hash(key->toUtf8(), QCryptographicHash::Sha256).toHex());
}

std::shared_ptr<LiteratureBackend> AppCoordinator::makeBackend()
{
    if (m_cachedBackend && m_cachedBackend->first == m_credentialScope)
        return m_cachedBackend->second;
    std::shared_ptr<LiteratureBackend> backend = m_backendFactory(m_credentialScope);
    m_cachedBackend = std::make_pair(m_credentialScope, backend);
    return backend;
}

// Credentials

void AppCoordinator::refreshCredentialStatus()
{
    const auto loaded = m_keyStore->loadAPIKey();
    std::optional<QString> key;
    if (!loaded) {
        assign(m_credentialStatus, CredentialStatus::unreadable(loaded.error().errorDescription()),
               &AppCoordinator::credentialStatusChanged);
    } else {
        key = *loaded;
        assign(m_credentialStatus, key ? CredentialStatus::stored() : CredentialStatus::missing(),
               &AppCoordinator::credentialStatusChanged);
    }
    assign(m_hasStoredAPIKey, key.has_value(), &AppCoordinator::hasStoredAPIKeyChanged);
    assign(m_maskedStoredAPIKey, key ? std::optional<QString>(maskedKeyText) : std::nullopt,
           &AppCoordinator::maskedStoredAPIKeyChanged);

    const QString scope = credentialScope(key);
    if (scope != m_credentialScope) {
        m_credentialScope = scope;
        m_cachedBackend.reset();
    }
}

std::expected<void, VORNAPIKeyStoreError> AppCoordinator::saveAPIKey(const QString& key)
{
    auto saved = m_keyStore->saveAPIKey(key);
    if (saved)
        refreshCredentialStatus();
    return saved;
}

std::expected<void, VORNAPIKeyStoreError> AppCoordinator::deleteAPIKey()
{
    auto deleted = m_keyStore->deleteAPIKey();
    if (deleted)
        refreshCredentialStatus();
    return deleted;
}
