#pragma once

#include "SelectionCaptureModel.h"

#include <QDateTime>
#include <QPointF>
#include <QString>

#include <functional>
#include <optional>
#include <variant>

// A point in desktop space (see ScreenRect): origin at the bottom-left corner of the
// primary screen, y growing upwards.
struct SystemPoint
{
    double x = 0;
    double y = 0;

    [[nodiscard]] QPointF toPointF() const { return {x, y}; }
    friend bool operator==(const SystemPoint&, const SystemPoint&) = default;
};
size_t qHash(const SystemPoint& value, size_t seed = 0);

// One press-and-release of the left mouse button.
struct SelectionGesture
{
    SystemPoint start; // where the button went down (the release point without a press)
    SystemPoint end; // where it came up
    int clickCount = 1;
    bool shiftPressed = false;
    bool observedDrag = false; // pointer motion arrived between press and release

    [[nodiscard]] double distance() const;
    // A drag, a move of 3 points or more, a multiple click or a Shift-click.
    [[nodiscard]] bool isLikelySelection() const;
    // A drag of 8 points or more, or a multiple click.
    [[nodiscard]] bool isDeliberateSelection() const;
    friend bool operator==(const SelectionGesture&, const SelectionGesture&) = default;
};

// What the selection badge offers: a selection read at gesture time, or only the
// application (its text is captured when the user clicks the badge).
class AutomaticSelectionCandidate final
{
public:
    static AutomaticSelectionCandidate captured(SystemSelection selection) { return {std::move(selection)}; }
    static AutomaticSelectionCandidate provisional(SelectionSource source) { return {std::move(source)}; }

    [[nodiscard]] const SystemSelection* capturedSelection() const
    {
        return std::get_if<SystemSelection>(&m_value);
    }
    [[nodiscard]] const SelectionSource* provisionalSource() const
    {
        return std::get_if<SelectionSource>(&m_value);
    }
    friend bool operator==(const AutomaticSelectionCandidate&, const AutomaticSelectionCandidate&) = default;

private:
    AutomaticSelectionCandidate(std::variant<SystemSelection, SelectionSource> value)
        : m_value(std::move(value))
    {
    }
    std::variant<SystemSelection, SelectionSource> m_value;
};

// What the monitor delivers to the coordinator.
struct AutomaticSelectionEvent
{
    AutomaticSelectionCandidate candidate;
    SystemPoint pointerLocation; // at the release that started the capture
    QDateTime occurredAt; // after the capture finished

    friend bool operator==(const AutomaticSelectionEvent&, const AutomaticSelectionEvent&) = default;
};

// The watch on selection gestures in other applications, as the coordinator holds it.
// Main thread only.
class AutomaticSelectionMonitoring
{
public:
    using Handler = std::function<void(const AutomaticSelectionEvent&)>;

    virtual ~AutomaticSelectionMonitoring() = default;
    // True while the desktop delivers mouse events to the monitor.
    [[nodiscard]] virtual bool isEnabled() const = 0;
    // Why this desktop cannot deliver them (for the settings); absent where it can.
    [[nodiscard]] virtual std::optional<QString> unavailableReason() const { return std::nullopt; }
    // A second start replaces the first.
    virtual void start(Handler handler, std::function<void()> invalidationHandler) = 0;
    // Forgets both handlers; does not call the invalidation handler.
    virtual void stop() = 0;
};

// The desktop's global input, seen from outside our own windows. Main thread only;
// the handlers run on the main thread.
class GlobalInputMonitoring
{
public:
    enum class EventType
    {
        leftMouseDown,
        leftMouseDragged,
        leftMouseUp,
        scrollWheel,
    };
    struct MouseEvent
    {
        EventType type = EventType::leftMouseDown;
        SystemPoint location; // desktop space
        int clickCount = 1; // the desktop's click count (releases)
        bool shiftPressed = false; // Shift held (releases)
    };

    virtual ~GlobalInputMonitoring() = default;
    // Absent when this desktop can watch input; otherwise the reason, for the user.
    [[nodiscard]] virtual std::optional<QString> unavailableReason() const = 0;
    // Left-button press, drag and release and scroll events; false when the desktop
    // refuses (the monitor then runs without them).
    virtual bool installMouseMonitor(std::function<void(const MouseEvent&)> handler) = 0;
    virtual void removeMouseMonitor() = 0;
    // Key presses.
    virtual bool installKeyMonitor(std::function<void()> handler) = 0;
    virtual void removeKeyMonitor() = 0;
};
