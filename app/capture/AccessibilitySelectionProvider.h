#pragma once

#include "AccessibilityTreeAccessing.h"
#include "AppServices.h"
#include "RunningApplicationsProviding.h"
#include "SelectionCapturing.h"

#include <QDateTime>
#include <QRectF>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Reads the text the user selected in the application that has keyboard focus,
// through the accessibility interface: the focused element, its ancestors, and
// within node and time limits its descendants and those of the nearest content
// container. Refuses password fields at every stage. Main thread only; keeps no
// state between calls.
class AccessibilitySelectionProvider final : public AccessibilitySelectionCapturing
{
public:
    using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

    // The desktop facilities the reader uses; empty clocks and screen get defaults.
    struct Environment
    {
        std::shared_ptr<AccessibilityTreeAccessing> accessibility;
        std::shared_ptr<RunningApplicationsProviding> applications;
        MonotonicClock monotonicClock; // default: std::chrono::steady_clock
        std::function<QDateTime()> wallClock; // default: the current UTC time
        // The primary screen in the accessibility interface's space (logical pixels,
        // top-left origin), absent without screens; default: the GUI's primary screen.
        std::function<std::optional<QRectF>()> primaryScreen;
    };

    AccessibilitySelectionProvider(std::shared_ptr<AccessibilityPermissionManaging> permissionManager,
                                   Environment environment);
    Q_DISABLE_COPY_MOVE(AccessibilitySelectionProvider)
    ~AccessibilitySelectionProvider() override;

    using AccessibilitySelectionCapturing::captureSelection;
    SelectionCaptureResult captureSelection(DescendantSearch descendantSearch) override;
    bool focusedElementIsItemContainer() override;
    bool gestureLandsInContent(QPointF from, QPointF to) override;

    // A rectangle of the accessibility interface's space in desktop space (origin at
    // the bottom-left of the primary screen, y up); unchanged without a screen.
    static ScreenRect desktopRect(const QRectF& rect, const std::optional<QRectF>& primaryScreen);

    static constexpr double messagingTimeoutSeconds = 0.5;
    static constexpr std::chrono::milliseconds timeBudget{1500};
    static constexpr qint64 maximumSelectionLength = 4000; // UTF-16 code units
    static constexpr int secureCheckLimit = 8; // the element and 7 ancestors
    static constexpr int ancestorLimit = 14;
    static constexpr int contentContainerCheckLimit = 14;
    static constexpr qsizetype childrenLimit = 64;
    static constexpr int shallowDepthLimit = 3;
    static constexpr int shallowNodeLimit = 60;
    static constexpr int thoroughDepthLimit = 6;
    static constexpr int thoroughNodeLimit = 300;

private:
    struct ResolvedSelection;
    class Walk;

    std::shared_ptr<AccessibilityPermissionManaging> m_permissionManager;
    Environment m_environment;
};
