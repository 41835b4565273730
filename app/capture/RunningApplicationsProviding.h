#pragma once

#include "SelectionCaptureModel.h"

#include <optional>

// The applications of the user's desktop session, as selection capture sees them.
// Main thread only.
class RunningApplicationsProviding
{
public:
    virtual ~RunningApplicationsProviding() = default;

    // The application of the active window, or absent when no application is
    // active (no window, or the desktop or a panel is active).
    virtual std::optional<SelectionSource> frontmostApplication() = 0;
    // The running application with this process id; its names are absent when the
    // desktop gives none.
    virtual SelectionSource application(qint32 processIdentifier) = 0;
};
