#pragma once

#include "CopyCommandSending.h"
#include "PasteboardAccessing.h"
#include "SelectionCapturing.h"

#include <QDateTime>
#include <QFuture>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Sleeping;

// The saved clipboard while a copied value may be on the clipboard.
struct PendingClipboardRestore
{
    PasteboardSnapshot snapshot;
    qint64 copiedChangeCount = 0;
};

// Compatibility Capture for applications that expose no selected text: saves the
// whole clipboard, sends Copy to the source application alone, waits on the event
// loop until the copied text has appeared and settled, reads it and puts the saved
// clipboard back before anything is sent anywhere.
//
// The user's clipboard is never lost and never overwritten when somebody else
// changed it meanwhile: concealed and unsavable clipboards are never touched, a
// clipboard that moved on after the copy is left as the other writer left it, and
// a failed restore fails the capture. Main thread only; one capture at a time.
class ClipboardCompatibilityCapturer final
{
public:
    using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;
    using FrontmostProcess = std::function<std::optional<qint32>()>;

    struct Environment
    {
        std::shared_ptr<PasteboardAccessing> pasteboard;
        std::shared_ptr<CopyCommandSending> commandSender;
        // The frontmost application's process id, absent when there is none.
        FrontmostProcess frontmostProcessIdentifier;
        std::shared_ptr<Sleeping> sleeper; // default: a timer on the event loop
        MonotonicClock monotonicClock; // default: std::chrono::steady_clock
        std::function<QDateTime()> wallClock; // default: the current UTC time
    };

    struct Limits
    {
        qint64 maximumBytes = 33'554'432; // 32 MiB
        std::chrono::milliseconds timeout{750}; // the primary wait for the copy
        // The longest wait; absent means four times the timeout.
        std::optional<std::chrono::milliseconds> extendedTimeout = std::chrono::milliseconds(3000);
        std::chrono::milliseconds settle{60}; // quiet time that counts as settled
        std::chrono::milliseconds poll{15}; // at least 1 ms
    };

    // With the default limits.
    explicit ClipboardCompatibilityCapturer(Environment environment);
    ClipboardCompatibilityCapturer(Environment environment, Limits limits);
    Q_DISABLE_COPY_MOVE(ClipboardCompatibilityCapturer)
    ~ClipboardCompatibilityCapturer();

    // Captures the selection of the application the accessibility reader named.
    // The future finishes on the main thread with the selection or a failure
    // (ClipboardCaptureError, or the validator's error for the copied text).
    // Cancelling it stops the capture at its next poll; a clipboard that then
    // holds the copy is restored.
    QFuture<AsyncSelectionCaptureResult> capture(const SelectionSource& source);
    // Puts the saved clipboard back when a capture is waiting with a copied value
    // on the clipboard and nobody changed it since (for example when the
    // application stops); that capture then ends as cancelled.
    void restorePendingSnapshotIfNeeded();

    [[nodiscard]] bool isCapturing() const { return m_run != nullptr; }
    [[nodiscard]] const std::optional<PendingClipboardRestore>& pendingRestore() const
    {
        return m_pendingRestore;
    }
    [[nodiscard]] PasteboardAccessing& pasteboard() const { return *m_environment.pasteboard; }

    [[nodiscard]] qint64 maximumBytes() const { return m_maximumBytes; }
    [[nodiscard]] std::chrono::nanoseconds timeout() const { return m_timeout; }
    [[nodiscard]] std::chrono::nanoseconds extendedTimeout() const { return m_extendedTimeout; }
    [[nodiscard]] std::chrono::nanoseconds settle() const { return m_settle; }
    [[nodiscard]] std::chrono::nanoseconds pollInterval() const { return m_poll; }

private:
    struct Run;

    void copySent(const std::expected<void, ClipboardCaptureError>& sent);
    void poll();
    void scheduleNextPoll(std::chrono::nanoseconds after);
    void readAndRestore();
    void failAfterCopy(SelectionCaptureFailure failure);
    void finish(std::optional<AsyncSelectionCaptureResult> result);

    Environment m_environment;
    qint64 m_maximumBytes;
    std::chrono::nanoseconds m_timeout;
    std::chrono::nanoseconds m_extendedTimeout;
    std::chrono::nanoseconds m_settle;
    std::chrono::nanoseconds m_poll;

    std::unique_ptr<Run> m_run; // the capture in progress
    std::optional<PendingClipboardRestore> m_pendingRestore;
};
