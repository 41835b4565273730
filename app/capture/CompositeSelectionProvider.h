#pragma once

#include "ClipboardCompatibilityCapturer.h"
#include "SelectionCapturing.h"

#include <QDateTime>

#include <functional>
#include <memory>

// The one selection provider of the application. It asks the accessibility reader
// first and falls back to Copy-and-restore only when the front application exposes
// no selected text, the request allows it and the user has switched Compatibility
// Capture on (asked anew at every request). It also decides whether an earlier
// selection may still be sent, and puts back a clipboard that a capture left
// pending. Main thread only; keeps no state of its own.
class CompositeSelectionProvider final : public AsyncSystemSelectionCapturing
{
public:
    struct Environment
    {
        // The frontmost application's process id, absent when there is none.
        ClipboardCompatibilityCapturer::FrontmostProcess frontmostProcessIdentifier;
        std::function<QDateTime()> wallClock; // default: the current UTC time
    };

    CompositeSelectionProvider(std::shared_ptr<AccessibilitySelectionCapturing> accessibility,
                               std::shared_ptr<ClipboardCompatibilityCapturer> compatibility,
                               std::function<bool()> compatibilityEnabled, Environment environment);

    // With a capturer of the given limits over the desktop's clipboard and Copy
    // sender, asking the same frontmost-application source.
    static std::shared_ptr<CompositeSelectionProvider>
    make(std::shared_ptr<AccessibilitySelectionCapturing> accessibility,
         std::shared_ptr<PlatformPasteboardAccessing> pasteboard,
         std::shared_ptr<CopyCommandSending> commandSender,
         ClipboardCompatibilityCapturer::FrontmostProcess frontmostProcessIdentifier,
         std::function<bool()> compatibilityEnabled, ClipboardCompatibilityCapturer::Limits limits = {});

    Q_DISABLE_COPY_MOVE(CompositeSelectionProvider)
    ~CompositeSelectionProvider() override;

    using AsyncSystemSelectionCapturing::captureSelection;
    QFuture<AsyncSelectionCaptureResult> captureSelection(const SelectionCaptureOptions& options) override;
    QFuture<bool> isStillValid(const SystemSelection& selection) override;
    bool focusedElementIsItemContainer() override;
    bool gestureLandsInContent(QPointF from, QPointF to) override;
    void restorePendingClipboardIfNeeded() override;

    [[nodiscard]] ClipboardCompatibilityCapturer& compatibility() const { return *m_compatibility; }

    // How long a clipboard- or service-captured selection stays valid while its
    // application stays in front.
    static constexpr std::chrono::milliseconds copiedSelectionLifetime{8000};

private:
    std::shared_ptr<AccessibilitySelectionCapturing> m_accessibility;
    std::shared_ptr<ClipboardCompatibilityCapturer> m_compatibility;
    std::function<bool()> m_compatibilityEnabled;
    Environment m_environment;
};
