#include "ClipboardCaptureError.h"

#include <QHashFunctions>

QString ClipboardCaptureError::errorDescription() const
{
    switch (m_kind) {
    case Kind::busy:
        return QStringLiteral("Another selection capture is already in progress.");
    case Kind::snapshotTooLarge:
        return QStringLiteral(
            "The clipboard is too large to preserve safely, so VORN Cite did not copy the selection.");
    case Kind::snapshotCouldNotMaterialize:
        return QStringLiteral("The clipboard contains data that cannot be preserved safely.");
    case Kind::clipboardConcealed:
        return QStringLiteral(
            "The clipboard holds concealed content (for example from a password manager), so VORN "
            "Cite did not copy the selection. Copy something else first, or select the text in an "
            "app that supports Accessibility.");
    case Kind::sourceApplicationChanged:
        return QStringLiteral("The active application changed before the selection could be captured.");
    case Kind::clipboardChangedBeforeCopy:
        return QStringLiteral("The clipboard changed before capture began. Try again.");
    case Kind::copyEventFailed:
        return QStringLiteral("The desktop could not send Copy to the selected application.");
    case Kind::copyTimedOut:
        return QStringLiteral(
            "The selected application did not provide copied text in time. If it copies later, the "
            "previous clipboard content may be replaced by the selection.");
    case Kind::copiedTextUnavailable:
        return QStringLiteral("Copy did not produce usable text.");
    case Kind::clipboardChangedDuringCapture:
        return QStringLiteral(
            "Another app changed the clipboard, so VORN Cite left the newer content untouched.");
    case Kind::clipboardRestoreFailed:
        return QStringLiteral(
            "VORN Cite could not safely restore the clipboard, so no citation request was sent.");
    }
    Q_UNREACHABLE();
    return {};
}

size_t qHash(const ClipboardCaptureError& value, size_t seed)
{
    return ::qHash(static_cast<int>(value.kind()), seed);
}
