#include "CompositeSelectionProvider.h"

namespace {

QFuture<AsyncSelectionCaptureResult> ready(AsyncSelectionCaptureResult result)
{
    return QtFuture::makeReadyFuture(std::move(result));
}

AsyncSelectionCaptureResult failure(SelectionCaptureError error)
{
    return std::unexpected(SelectionCaptureFailure(std::move(error)));
}

} // namespace

CompositeSelectionProvider::CompositeSelectionProvider(
    std::shared_ptr<AccessibilitySelectionCapturing> accessibility,
    std::shared_ptr<ClipboardCompatibilityCapturer> compatibility, std::function<bool()> compatibilityEnabled,
    Environment environment)
    : m_accessibility(std::move(accessibility)), m_compatibility(std::move(compatibility)),
      m_compatibilityEnabled(std::move(compatibilityEnabled)), m_environment(std::move(environment))
{
    Q_ASSERT(m_accessibility && m_compatibility && m_compatibilityEnabled &&
             m_environment.frontmostProcessIdentifier);
    if (!m_environment.wallClock)
        m_environment.wallClock = [] { return QDateTime::currentDateTimeUtc(); };
}

std::shared_ptr<CompositeSelectionProvider>
CompositeSelectionProvider::make(std::shared_ptr<AccessibilitySelectionCapturing> accessibility,
                                 std::shared_ptr<PlatformPasteboardAccessing> pasteboard,
                                 std::shared_ptr<CopyCommandSending> commandSender,
                                 ClipboardCompatibilityCapturer::FrontmostProcess frontmostProcessIdentifier,
                                 std::function<bool()> compatibilityEnabled,
                                 ClipboardCompatibilityCapturer::Limits limits)
{
    ClipboardCompatibilityCapturer::Environment capture;
    capture.pasteboard = std::make_shared<GeneralPasteboardAdapter>(std::move(pasteboard));
    capture.commandSender = std::move(commandSender);
    capture.frontmostProcessIdentifier = frontmostProcessIdentifier;
    return std::make_shared<CompositeSelectionProvider>(
        std::move(accessibility),
        std::make_shared<ClipboardCompatibilityCapturer>(std::move(capture), limits),
        std::move(compatibilityEnabled), Environment{std::move(frontmostProcessIdentifier), {}});
}

CompositeSelectionProvider::~CompositeSelectionProvider() = default;

QFuture<AsyncSelectionCaptureResult>
CompositeSelectionProvider::captureSelection(const SelectionCaptureOptions& options)
{
    const SelectionCaptureResult captured = m_accessibility->captureSelection(options.descendantSearch);
    if (captured) {
        if (options.expectedProcess && *options.expectedProcess != captured->sourceProcessIdentifier)
            return ready(failure(SelectionCaptureError::staleSelection()));
        return ready(*captured);
    }
    const SelectionCaptureError& error = captured.error();
    // Only "no selected text" may lead to the clipboard; refusals (permission,
    // password field, too long, failures) stand as they are.
    if (error.kind() != SelectionCaptureError::Kind::selectionUnavailable)
        return ready(failure(error));
    if (!options.allowCompatibility || !m_compatibilityEnabled())
        return ready(failure(error));
    const SelectionSource& source = *error.source();
    if (options.expectedProcess && *options.expectedProcess != source.processIdentifier)
        return ready(failure(SelectionCaptureError::staleSelection()));
    return m_compatibility->capture(source);
}

QFuture<bool> CompositeSelectionProvider::isStillValid(const SystemSelection& selection)
{
    if (selection.context.captureMethod != SelectionCaptureMethod::accessibility) {
        // A copied or handed-over selection cannot be read again: it stays valid
        // for a short while, as long as its application stays in front.
        const std::optional<qint32> frontmost = m_environment.frontmostProcessIdentifier();
        const qint64 ageMs = selection.context.capturedAt.msecsTo(m_environment.wallClock());
        return QtFuture::makeReadyFuture(frontmost && *frontmost == selection.sourceProcessIdentifier &&
                                         ageMs <= copiedSelectionLifetime.count());
    }
    const SelectionCaptureResult again = m_accessibility->captureSelection(DescendantSearch::thorough);
    return QtFuture::makeReadyFuture(again &&
                                     again->sourceProcessIdentifier == selection.sourceProcessIdentifier &&
                                     again->context.selectedText == selection.context.selectedText);
}

bool CompositeSelectionProvider::focusedElementIsItemContainer()
{
    return m_accessibility->focusedElementIsItemContainer();
}

bool CompositeSelectionProvider::gestureLandsInContent(QPointF from, QPointF to)
{
    return m_accessibility->gestureLandsInContent(from, to);
}

void CompositeSelectionProvider::restorePendingClipboardIfNeeded()
{
    m_compatibility->restorePendingSnapshotIfNeeded();
}
