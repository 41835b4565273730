#pragma once

#include "AccessibilityBusStatus.h"
#include "AppServices.h"

#include <functional>
#include <memory>

// Accessibility trust on this desktop: the accessibility bus answers and the
// desktop's accessibility switch is on. "Prompting" never switches it on by itself:
// it shows the application's own prompt, and only the user's click there
// (grantAccess) switches it on. Applications that were already running may need a
// restart to notice.
class AccessibilityPermissionManager final : public AccessibilityPermissionManaging
{
public:
    // showPrompt: presents the prompt; its button calls grantAccess. Without one,
    // prompting only reports the trust.
    explicit AccessibilityPermissionManager(
        std::shared_ptr<AccessibilityBusStatus> status = std::make_shared<AccessibilityBusStatus>(),
        std::function<void()> showPrompt = {});

    bool isTrusted() const override;
    bool checkTrust(bool promptIfNeeded) override;
    // Opens the desktop's accessibility settings when it has a settings program.
    void openAccessibilitySettings() override;

    // The user's answer to the prompt: switches the desktop's accessibility on.
    bool grantAccess();

private:
    std::shared_ptr<AccessibilityBusStatus> m_status;
    std::function<void()> m_showPrompt;
};
