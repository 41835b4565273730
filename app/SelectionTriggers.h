#pragma once

#include "capture/AutomaticSelection.h"
#include "capture/SelectionCapturing.h"
#include "literature/LiteratureRecords.h"

#include <QFutureWatcher>

#include <memory>

class AppCoordinator;

// How a trigger becomes a query: the shortcut and the menu command capture the
// selection (one capture at a time; a newer trigger cancels the older capture, which
// then reports nothing), hand-offs arrive already captured; every selection is
// validated and dispatched to the coordinator's query flow. Main thread only.
class SelectionTriggers final
{
    Q_DISABLE_COPY_MOVE(SelectionTriggers)

public:
    SelectionTriggers(AppCoordinator& coordinator, std::shared_ptr<AsyncSystemSelectionCapturing> provider);
    ~SelectionTriggers();

    void captureCitations();
    // A click on the selection badge: a captured selection is sent only while it still
    // holds; a provisional one is captured (the fallback allowed) only while its
    // application is frontmost. Otherwise the selection is stale.
    void captureAutomaticCandidate(const AutomaticSelectionCandidate& candidate,
                                   std::optional<qint32> frontmostProcess);
    void dispatch(const SelectionContext& context);
    void handleSelectionCaptureFailure(const SelectionCaptureFailure& failure);
    // Cancels the running capture, if any; it reports nothing.
    void cancelCapture();
    [[nodiscard]] bool isCapturing() const { return m_captureTask != nullptr; }

    [[nodiscard]] AsyncSystemSelectionCapturing& provider() const { return *m_provider; }

private:
    using CaptureWatcher = QFutureWatcher<AsyncSelectionCaptureResult>;
    using ValidityWatcher = QFutureWatcher<bool>;
    void startCapture(const SelectionCaptureOptions& options);
    void captureFinished(CaptureWatcher* watcher);
    void validityFinished(ValidityWatcher* watcher, const SystemSelection& selection);

    AppCoordinator& m_coordinator;
    std::shared_ptr<AsyncSystemSelectionCapturing> m_provider;
    // The one capture task: a capture, or the validity check of a badge's selection.
    std::unique_ptr<QFutureWatcherBase> m_captureTask;
};
