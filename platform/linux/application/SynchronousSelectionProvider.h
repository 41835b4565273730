#pragma once

#include "SelectionCapturing.h"

#include <memory>

// The accessibility reader behind the asynchronous capture interface: each capture
// runs at once on the main thread and returns a finished future.
class SynchronousSelectionProvider final : public AsyncSystemSelectionCapturing
{
public:
    explicit SynchronousSelectionProvider(std::shared_ptr<AccessibilitySelectionCapturing> reader);

    using AsyncSystemSelectionCapturing::captureSelection;
    QFuture<AsyncSelectionCaptureResult> captureSelection(const SelectionCaptureOptions& options) override;
    QFuture<bool> isStillValid(const SystemSelection& selection) override;
    bool focusedElementIsItemContainer() override;
    bool gestureLandsInContent(QPointF from, QPointF to) override;

private:
    std::shared_ptr<AccessibilitySelectionCapturing> m_reader;
};
