#include "SelectionTriggers.h"

#include "AppCoordinator.h"
#include "literature/LiteratureInputValidator.h"

SelectionTriggers::SelectionTriggers(AppCoordinator& coordinator,
                                     std::shared_ptr<AsyncSystemSelectionCapturing> provider)
    : m_coordinator(coordinator), m_provider(std::move(provider))
{
}

SelectionTriggers::~SelectionTriggers()
{
    cancelCapture();
}

void SelectionTriggers::cancelCapture()
{
    if (!m_captureTask)
        return;
    m_captureTask->disconnect();
    m_captureTask->cancel();
    // The watcher may be the sender of the signal being handled.
    m_captureTask.release()->deleteLater();
}

void SelectionTriggers::captureCitations()
{
    // The shortcut and the menu command: the fallback allowed, the thorough search.
    startCapture(SelectionCaptureOptions{true, std::nullopt, DescendantSearch::thorough});
}

void SelectionTriggers::captureAutomaticCandidate(const AutomaticSelectionCandidate& candidate,
                                                  std::optional<qint32> frontmostProcess)
{
    cancelCapture();
    if (const SystemSelection* selection = candidate.capturedSelection()) {
        auto watcher = std::make_unique<ValidityWatcher>();
        ValidityWatcher* raw = watcher.get();
        QObject::connect(raw, &ValidityWatcher::finished, &m_coordinator,
                         [this, raw, selection = *selection] { validityFinished(raw, selection); });
        m_captureTask = std::move(watcher);
        raw->setFuture(m_provider->isStillValid(*selection));
        return;
    }
    const SelectionSource& source = *candidate.provisionalSource();
    if (!frontmostProcess || *frontmostProcess != source.processIdentifier) {
        handleSelectionCaptureFailure(SelectionCaptureError::staleSelection());
        return;
    }
    startCapture(SelectionCaptureOptions{true, source.processIdentifier, DescendantSearch::thorough});
}

void SelectionTriggers::validityFinished(ValidityWatcher* watcher, const SystemSelection& selection)
{
    if (watcher != m_captureTask.get())
        return;
    const QFuture<bool> future = watcher->future();
    m_captureTask.release()->deleteLater();
    if (future.isCanceled() || future.resultCount() == 0)
        return;
    if (future.result())
        dispatch(selection.context);
    else
        handleSelectionCaptureFailure(SelectionCaptureError::staleSelection());
}

void SelectionTriggers::startCapture(const SelectionCaptureOptions& options)
{
    cancelCapture();
    auto watcher = std::make_unique<CaptureWatcher>();
    CaptureWatcher* raw = watcher.get();
    QObject::connect(raw, &CaptureWatcher::finished, &m_coordinator, [this, raw] { captureFinished(raw); });
    m_captureTask = std::move(watcher);
    raw->setFuture(m_provider->captureSelection(options));
}

void SelectionTriggers::captureFinished(CaptureWatcher* watcher)
{
    if (watcher != m_captureTask.get())
        return;
    const QFuture<AsyncSelectionCaptureResult> future = watcher->future();
    m_captureTask.release()->deleteLater();
    // A cancelled capture (superseded, or abandoned by the provider) reports nothing.
    if (future.isCanceled() || future.resultCount() == 0)
        return;
    const AsyncSelectionCaptureResult result = future.result();
    if (result)
        dispatch(result->context);
    else
        handleSelectionCaptureFailure(result.error());
}

void SelectionTriggers::dispatch(const SelectionContext& context)
{
    AppCoordinator& c = m_coordinator;
    const std::expected<QString, LiteratureError> normalized =
        LiteratureInputValidator::normalize(context.selectedText);
    if (!normalized) {
        // A query that is still loading stays current: its result replaces this error.
        c.assign(c.m_selection, std::optional<SelectionContext>(), &AppCoordinator::selectionChanged);
        c.assign(c.m_result, std::optional<LiteratureResult>(), &AppCoordinator::resultChanged);
        c.m_lastQuery.reset();
        c.showError(normalized.error().errorDescription(), FailureKind::invalidSelection);
        return;
    }
    SelectionContext selection = context;
    selection.selectedText = *normalized;
    c.assign(c.m_selection, std::optional<SelectionContext>(selection), &AppCoordinator::selectionChanged);
    c.assign(c.m_result, std::optional<LiteratureResult>(), &AppCoordinator::resultChanged);
    c.assign(c.m_errorMessage, std::optional<QString>(), &AppCoordinator::errorMessageChanged);
    c.run(LiteratureQuery{*normalized, c.settings().queryOptions()}, selection.bounds);
}

void SelectionTriggers::handleSelectionCaptureFailure(const SelectionCaptureFailure& failure)
{
    AppCoordinator& c = m_coordinator;
    c.invalidateCurrentQuery();
    c.assign(c.m_selection, std::optional<SelectionContext>(), &AppCoordinator::selectionChanged);
    c.assign(c.m_result, std::optional<LiteratureResult>(), &AppCoordinator::resultChanged);
    c.m_lastQuery.reset();
    std::visit(
        [&c](const auto& error) { c.showError(error.errorDescription(), AppCoordinator::classify(error)); },
        failure);
}
