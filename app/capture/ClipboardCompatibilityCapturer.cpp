#include "ClipboardCompatibilityCapturer.h"

#include "literature/LiteratureInputValidator.h"
#include "service/Sleeping.h"

#include <QPromise>

#include <algorithm>

using namespace std::chrono_literals;
using Kind = ClipboardCaptureError::Kind;

namespace {

QFuture<AsyncSelectionCaptureResult> failed(SelectionCaptureFailure failure)
{
    return QtFuture::makeReadyFuture(AsyncSelectionCaptureResult(std::unexpected(std::move(failure))));
}

} // namespace

// One capture from the moment Copy is sent.
struct ClipboardCompatibilityCapturer::Run
{
    QPromise<AsyncSelectionCaptureResult> promise;
    SelectionSource source;
    qint32 pid = 0;
    PasteboardSnapshot snapshot;
    std::chrono::steady_clock::time_point primaryDeadline;
    std::chrono::steady_clock::time_point finalDeadline;
    std::optional<qint64> lastSeen; // the last change count seen after the copy
    std::chrono::steady_clock::time_point lastChangeAt;
    std::unique_ptr<QObject> pending; // the Copy being sent, or the pause before the next poll
};

ClipboardCompatibilityCapturer::ClipboardCompatibilityCapturer(Environment environment)
    : ClipboardCompatibilityCapturer(std::move(environment), Limits())
{
}

ClipboardCompatibilityCapturer::ClipboardCompatibilityCapturer(Environment environment, Limits limits)
    : m_environment(std::move(environment)), m_maximumBytes(limits.maximumBytes), m_timeout(limits.timeout),
      m_extendedTimeout(limits.extendedTimeout.value_or(limits.timeout * 4)), m_settle(limits.settle),
      m_poll(std::max<std::chrono::nanoseconds>(limits.poll, 1ms))
{
    Q_ASSERT(m_environment.pasteboard && m_environment.commandSender &&
             m_environment.frontmostProcessIdentifier);
    if (!m_environment.sleeper)
        m_environment.sleeper = std::make_shared<TimerSleeper>();
    if (!m_environment.monotonicClock)
        m_environment.monotonicClock = [] { return std::chrono::steady_clock::now(); };
    if (!m_environment.wallClock)
        m_environment.wallClock = [] { return QDateTime::currentDateTimeUtc(); };
}

ClipboardCompatibilityCapturer::~ClipboardCompatibilityCapturer() = default;

QFuture<AsyncSelectionCaptureResult> ClipboardCompatibilityCapturer::capture(const SelectionSource& source)
{
    if (m_run)
        return failed(ClipboardCaptureError(Kind::busy)); // the running capture goes on
    PasteboardAccessing& pasteboard = *m_environment.pasteboard;

    const std::optional<qint32> pid = m_environment.frontmostProcessIdentifier();
    if (!pid || *pid != source.processIdentifier)
        return failed(ClipboardCaptureError(Kind::sourceApplicationChanged));
    std::expected<PasteboardSnapshot, ClipboardCaptureError> snapshot = pasteboard.snapshot(m_maximumBytes);
    if (!snapshot)
        return failed(snapshot.error());
    if (pasteboard.changeCount() != snapshot->startingChangeCount)
        return failed(ClipboardCaptureError(Kind::clipboardChangedBeforeCopy));
    if (m_environment.frontmostProcessIdentifier() != pid)
        return failed(ClipboardCaptureError(Kind::sourceApplicationChanged));

    m_run = std::make_unique<Run>();
    m_run->promise.start();
    m_run->source = source;
    m_run->pid = *pid;
    m_run->snapshot = std::move(*snapshot);
    QFuture<AsyncSelectionCaptureResult> future = m_run->promise.future();
    m_run->pending = m_environment.commandSender->sendCopy(
        *pid, [this](const std::expected<void, ClipboardCaptureError>& sent) { copySent(sent); });
    return future;
}

void ClipboardCompatibilityCapturer::copySent(const std::expected<void, ClipboardCaptureError>& sent)
{
    m_run->pending.release()->deleteLater(); // the send that calls this
    if (m_run->promise.isCanceled())
        return finish(std::nullopt);
    if (!sent)
        return finish(std::unexpected(SelectionCaptureFailure(sent.error())));
    const auto now = m_environment.monotonicClock();
    m_run->primaryDeadline = now + m_timeout;
    m_run->finalDeadline = now + std::max(m_timeout, m_extendedTimeout);
    poll();
}

void ClipboardCompatibilityCapturer::poll()
{
    Run& run = *m_run;
    if (run.promise.isCanceled()) {
        if (run.lastSeen) {
            // A copy may be on the clipboard: put the user's content back first.
            if (m_environment.pasteboard->changeCount() == *run.lastSeen)
                m_environment.pasteboard->restore(run.snapshot, *run.lastSeen);
            m_pendingRestore.reset();
        }
        return finish(std::nullopt);
    }
    const auto now = m_environment.monotonicClock();
    const qint64 count = m_environment.pasteboard->changeCount();

    if (count == run.snapshot.startingChangeCount && !run.lastSeen) {
        // Nothing copied yet. Past the primary deadline the source must still be in
        // front; past the final one the wait is over. The clipboard was never touched.
        if (now >= run.finalDeadline)
            return finish(
                std::unexpected(SelectionCaptureFailure(ClipboardCaptureError(Kind::copyTimedOut))));
        if (now >= run.primaryDeadline && m_environment.frontmostProcessIdentifier() != run.pid)
            return finish(
                std::unexpected(SelectionCaptureFailure(ClipboardCaptureError(Kind::copyTimedOut))));
        return scheduleNextPoll(m_poll);
    }
    if (count != run.lastSeen) {
        // A new copy: from now on the saved clipboard waits to be put back.
        run.lastSeen = count;
        run.lastChangeAt = now;
        m_pendingRestore = PendingClipboardRestore{run.snapshot, count};
    } else if (now - run.lastChangeAt >= m_settle) {
        return scheduleNextPoll(0ns); // settled: read once the event loop has delivered what is pending
    }
    if (now >= run.finalDeadline)
        return scheduleNextPoll(0ns); // read what is there, settled or not
    scheduleNextPoll(m_poll);
}

void ClipboardCompatibilityCapturer::scheduleNextPoll(std::chrono::nanoseconds after)
{
    const bool read = after == 0ns && m_run->lastSeen.has_value();
    m_run->pending = m_environment.sleeper->sleep(after, [this, read] {
        // The pause's timer called this: it goes when the event loop gets back to it.
        m_run->pending.release()->deleteLater();
        if (read && !m_run->promise.isCanceled())
            readAndRestore();
        else
            poll();
    });
}

void ClipboardCompatibilityCapturer::readAndRestore()
{
    Run& run = *m_run;
    PasteboardAccessing& pasteboard = *m_environment.pasteboard;
    const qint64 copied = *run.lastSeen;
    if (pasteboard.changeCount() != copied)
        return failAfterCopy(ClipboardCaptureError(Kind::clipboardChangedDuringCapture));
    std::expected<QString, ClipboardCaptureError> text = pasteboard.string(copied);
    if (!text)
        return failAfterCopy(text.error());
    // An embedded object's placeholder is no part of the sentence.
    text->remove(QChar(0xFFFC));
    std::expected<QString, LiteratureError> normalized = LiteratureInputValidator::normalize(*text);
    if (!normalized)
        return failAfterCopy(normalized.error());
    if (m_environment.frontmostProcessIdentifier() != run.pid)
        return failAfterCopy(ClipboardCaptureError(Kind::sourceApplicationChanged));
    if (!pasteboard.restore(run.snapshot, copied)) {
        m_pendingRestore.reset();
        return finish(
            std::unexpected(SelectionCaptureFailure(ClipboardCaptureError(Kind::clipboardRestoreFailed))));
    }
    m_pendingRestore.reset();

    SystemSelection selection;
    selection.context.selectedText = std::move(*normalized);
    selection.context.sourceApplicationName = run.source.applicationName;
    selection.context.sourceBundleIdentifier = run.source.bundleIdentifier;
    selection.context.isEditable = false;
    selection.context.captureMethod = SelectionCaptureMethod::clipboardCompatibility;
    selection.context.capturedAt = m_environment.wallClock();
    selection.sourceProcessIdentifier = run.pid;
    finish(std::move(selection));
}

void ClipboardCompatibilityCapturer::failAfterCopy(SelectionCaptureFailure failure)
{
    // The copy is on the clipboard unless somebody wrote after it: put the user's
    // content back, or leave the newer content alone.
    const qint64 copied = *m_run->lastSeen;
    if (m_environment.pasteboard->changeCount() == copied &&
        !m_environment.pasteboard->restore(m_run->snapshot, copied))
        failure = ClipboardCaptureError(Kind::clipboardRestoreFailed);
    m_pendingRestore.reset();
    finish(std::unexpected(std::move(failure)));
}

void ClipboardCompatibilityCapturer::finish(std::optional<AsyncSelectionCaptureResult> result)
{
    std::unique_ptr<Run> run = std::move(m_run);
    if (run->pending)
        run->pending.release()->deleteLater(); // it may be the caller of this
    if (result)
        run->promise.addResult(std::move(*result));
    run->promise.finish();
}

void ClipboardCompatibilityCapturer::restorePendingSnapshotIfNeeded()
{
    if (!m_pendingRestore)
        return;
    // The capture waiting for the copy ends at its next poll: what it would see
    // next is the restored content, not a copy.
    if (m_run)
        m_run->promise.future().cancel();
    const PendingClipboardRestore pending = std::move(*m_pendingRestore);
    m_pendingRestore.reset();
    PasteboardAccessing& pasteboard = *m_environment.pasteboard;
    if (pasteboard.changeCount() == pending.copiedChangeCount)
        pasteboard.restore(pending.snapshot, pending.copiedChangeCount);
}
