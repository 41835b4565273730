#include "SynchronousSelectionProvider.h"

SynchronousSelectionProvider::SynchronousSelectionProvider(std::shared_ptr<AccessibilitySelectionCapturing> reader)
    : m_reader(std::move(reader))
{
}

QFuture<AsyncSelectionCaptureResult> SynchronousSelectionProvider::captureSelection(const SelectionCaptureOptions& options)
{
    SelectionCaptureResult captured = m_reader->captureSelection(options.descendantSearch);
    if (captured && options.expectedProcess && captured->sourceProcessIdentifier != *options.expectedProcess)
        captured = std::unexpected(SelectionCaptureError::staleSelection());
    if (!captured)
        return QtFuture::makeReadyFuture(AsyncSelectionCaptureResult(std::unexpected(SelectionCaptureFailure(captured.error()))));
    return QtFuture::makeReadyFuture(AsyncSelectionCaptureResult(*captured));
}

QFuture<bool> SynchronousSelectionProvider::isStillValid(const SystemSelection&)
{
    return QtFuture::makeReadyFuture(false);
}

bool SynchronousSelectionProvider::focusedElementIsItemContainer()
{
    return m_reader->focusedElementIsItemContainer();
}

bool SynchronousSelectionProvider::gestureLandsInContent(QPointF from, QPointF to)
{
    return m_reader->gestureLandsInContent(from, to);
}
