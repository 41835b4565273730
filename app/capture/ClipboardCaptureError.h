#pragma once

#include <QString>

// What the Copy-and-restore capture can fail with. Each case has a fixed
// user-facing description.
class ClipboardCaptureError final
{
public:
    enum class Kind
    {
        busy,
        snapshotTooLarge,
        snapshotCouldNotMaterialize,
        clipboardConcealed,
        sourceApplicationChanged,
        clipboardChangedBeforeCopy,
        copyEventFailed,
        copyTimedOut,
        copiedTextUnavailable,
        clipboardChangedDuringCapture,
        clipboardRestoreFailed,
    };

    // Implicit, so that a case reads as its error.
    constexpr ClipboardCaptureError(Kind kind) : m_kind(kind) {}

    [[nodiscard]] constexpr Kind kind() const { return m_kind; }
    [[nodiscard]] QString errorDescription() const;

    friend constexpr bool operator==(const ClipboardCaptureError&, const ClipboardCaptureError&) = default;

private:
    Kind m_kind;
};
size_t qHash(const ClipboardCaptureError& value, size_t seed = 0);
