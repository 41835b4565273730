#pragma once

// The interfaces through which the coordinator reaches services that live outside
// the query flow. Each has one implementation for this desktop (in app/ or
// platform/linux) and fakes in the tests.

#include "capture/AutomaticSelection.h"
#include "literature/LiteratureRecords.h"
#include "literature/VORNAPIKeyStoring.h"

#include <QString>

#include <expected>
#include <optional>

// Shows and hides the floating result panel.
class ResultPanelControlling
{
public:
    virtual ~ResultPanelControlling() = default;
    // Positions the panel next to anchor (desktop space), or at a default place, and shows it.
    virtual void show(const std::optional<ScreenRect>& anchor) = 0;
    virtual void hide() = 0;
    // The panel's frame in desktop space while it is shown; absent when hidden.
    [[nodiscard]] virtual std::optional<ScreenRect> frame() const { return std::nullopt; }
};

// Shows and hides the cite panel of one reference.
class CitePanelControlling
{
public:
    virtual ~CitePanelControlling() = default;
    // Places the panel next to over (desktop space), or at a default place, and shows it.
    virtual void show(const std::optional<ScreenRect>& over) = 0;
    // Orders the panel out without destroying it.
    virtual void hide() = 0;
};

// Whether this process may read other applications through the accessibility bus.
class AccessibilityPermissionManaging
{
public:
    virtual ~AccessibilityPermissionManaging() = default;
    [[nodiscard]] virtual bool isTrusted() const = 0;
    // Checks trust, asking the desktop to grant it when promptIfNeeded is set.
    virtual bool checkTrust(bool promptIfNeeded) = 0;
    virtual void openAccessibilitySettings() = 0;
};

// Shows the selection badge beside the pointer for an offered candidate.
class SelectionBadgeControlling
{
public:
    virtual ~SelectionBadgeControlling() = default;
    virtual void show(const AutomaticSelectionEvent& event) = 0;
    virtual void dismiss() = 0;
};
