#pragma once

#include "ClipboardCaptureError.h"

#include <QObject>

#include <expected>
#include <functional>
#include <memory>

// Delivers one Copy command to one application's process, and to no other.
// Main thread only.
class CopyCommandSending
{
public:
    using Completion = std::function<void(std::expected<void, ClipboardCaptureError>)>;

    virtual ~CopyCommandSending() = default;

    // Sends Copy to the process (for example once the user has let go of the keys
    // of a shortcut). completion runs once, later, from the event loop: with
    // nothing when Copy went out, else with copyEventFailed, or with
    // sourceApplicationChanged when that process no longer has the active window.
    // Destroying the returned handle first abandons the send; completion then
    // never runs.
    [[nodiscard]] virtual std::unique_ptr<QObject> sendCopy(qint32 processIdentifier,
                                                            Completion completion) = 0;
};
