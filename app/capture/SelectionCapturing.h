#pragma once

#include "ClipboardCaptureError.h"
#include "SelectionCaptureError.h"
#include "SelectionCaptureModel.h"
#include "literature/LiteratureError.h"

#include <QFuture>
#include <QPointF>

#include <expected>
#include <optional>
#include <variant>

using SelectionCaptureResult = std::expected<SystemSelection, SelectionCaptureError>;

// The synchronous accessibility reader. Main thread only.
class AccessibilitySelectionCapturing
{
public:
    virtual ~AccessibilitySelectionCapturing() = default;

    // The same as captureSelection(DescendantSearch::thorough).
    SelectionCaptureResult captureSelection() { return captureSelection(DescendantSearch::thorough); }
    virtual SelectionCaptureResult captureSelection(DescendantSearch descendantSearch) = 0;

    // Whether the focused element is a list, table or similar container of items.
    virtual bool focusedElementIsItemContainer() { return false; }
    // Whether a mouse gesture from one point to another (desktop space, see ScreenRect)
    // started and ended inside the same content area.
    virtual bool gestureLandsInContent(QPointF from, QPointF to)
    {
        Q_UNUSED(from);
        Q_UNUSED(to);
        return true;
    }
};

// What an asynchronous capture can fail with: a capture error, an error of the
// clipboard fallback, or the validator's error for copied text. Cancellation is
// never a failure: a cancelled capture's future is cancelled and carries no result.
using SelectionCaptureFailure = std::variant<SelectionCaptureError, ClipboardCaptureError, LiteratureError>;
using AsyncSelectionCaptureResult = std::expected<SystemSelection, SelectionCaptureFailure>;

// The capture interface that the coordinator and the automatic monitor use.
// Main thread only; the futures finish on the main thread. Cancelling a returned
// future abandons the work it stands for.
class AsyncSystemSelectionCapturing
{
public:
    virtual ~AsyncSystemSelectionCapturing() = default;

    virtual QFuture<AsyncSelectionCaptureResult> captureSelection(const SelectionCaptureOptions& options) = 0;
    // Whether an earlier selection may still be sent; never fails.
    virtual QFuture<bool> isStillValid(const SystemSelection& selection) = 0;
    virtual bool focusedElementIsItemContainer() { return false; }
    virtual bool gestureLandsInContent(QPointF from, QPointF to)
    {
        Q_UNUSED(from);
        Q_UNUSED(to);
        return true;
    }
    virtual void restorePendingClipboardIfNeeded() {}

    // Conveniences: the thorough search, optionally bound to one process.
    QFuture<AsyncSelectionCaptureResult>
    captureSelection(bool allowCompatibility, std::optional<qint32> expectedProcess = std::nullopt)
    {
        return captureSelection(
            SelectionCaptureOptions{allowCompatibility, expectedProcess, DescendantSearch::thorough});
    }
};
