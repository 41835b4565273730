#pragma once

#include "AccessibilityBusStatus.h"
#include "AppServices.h"

#include <memory>

// Accessibility trust on this desktop: the accessibility bus answers and the
// desktop's accessibility switch is on. "Prompting" switches it on, which the
// user asked for by clicking Request Access (applications that were already
// running may need a restart to notice).
class AccessibilityPermissionManager final : public AccessibilityPermissionManaging
{
public:
    explicit AccessibilityPermissionManager(
        std::shared_ptr<AccessibilityBusStatus> status = std::make_shared<AccessibilityBusStatus>());

    bool isTrusted() const override;
    bool checkTrust(bool promptIfNeeded) override;
    // Opens the desktop's accessibility settings when it has a settings program.
    void openAccessibilitySettings() override;

private:
    std::shared_ptr<AccessibilityBusStatus> m_status;
};
