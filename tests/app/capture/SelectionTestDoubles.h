#pragma once

// Doubles for the automatic selection monitor's tests: a scripted desktop input, a
// scripted accessibility reader and a clock that only the test advances.
#include "AutomaticSelection.h"
#include "LifecycleServices.h"
#include "SelectionCapturing.h"
#include "service/Sleeping.h"
#include "support/ManualSleeper.h"

#include <QCoreApplication>
#include <QPointer>

#include <functional>

// Mouse and key events as the desktop would deliver them; emitting drains the
// event loop, since the monitor handles every event in a task of its own.
class ScriptedInput final : public GlobalInputMonitoring
{
public:
    std::optional<QString> reason;
    int mouseInstalls = 0;
    int keyInstalls = 0;

    std::optional<QString> unavailableReason() const override { return reason; }
    bool installMouseMonitor(std::function<void(const MouseEvent&)> handler) override
    {
        ++mouseInstalls;
        m_mouse = std::move(handler);
        return !reason;
    }
    void removeMouseMonitor() override { m_mouse = nullptr; }
    bool installKeyMonitor(std::function<void()> handler) override
    {
        ++keyInstalls;
        m_key = std::move(handler);
        return !reason;
    }
    void removeKeyMonitor() override { m_key = nullptr; }

    [[nodiscard]] bool hasMouseMonitor() const { return bool(m_mouse); }
    [[nodiscard]] bool hasKeyMonitor() const { return bool(m_key); }

    void press(double x, double y) { mouse({EventType::leftMouseDown, {x, y}, 1, false}); }
    void drag() { mouse({EventType::leftMouseDragged, {}, 1, false}); }
    void release(double x, double y, int clickCount = 1, bool shift = false)
    {
        mouse({EventType::leftMouseUp, {x, y}, clickCount, shift});
    }
    void scroll() { mouse({EventType::scrollWheel, {}, 1, false}); }
    // A press and release with drag events in between.
    void dragSelect(SystemPoint from, SystemPoint to)
    {
        press(from.x, from.y);
        drag();
        release(to.x, to.y);
    }
    void key()
    {
        if (m_key)
            m_key();
        drain();
    }

    static void drain()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

private:
    void mouse(const MouseEvent& event)
    {
        if (m_mouse)
            m_mouse(event);
        drain();
    }
    std::function<void(const MouseEvent&)> m_mouse;
    std::function<void()> m_key;
};

class ScriptedActivations final : public ApplicationActivationObserving
{
public:
    void observe(std::function<void()> handler) override { m_handler = std::move(handler); }
    void stopObserving() override { m_handler = nullptr; }
    void switchApplication()
    {
        if (m_handler)
            m_handler();
        ScriptedInput::drain();
    }

private:
    std::function<void()> m_handler;
};

// The accessibility reader's answers, set by the test.
class ScriptedReader final : public AccessibilitySelectionCapturing
{
public:
    SelectionCaptureResult answer = std::unexpected(SelectionCaptureError::focusedElementUnavailable());
    bool itemContainer = false;
    bool landsInContent = true;
    QList<DescendantSearch> requests;

    SelectionCaptureResult captureSelection(DescendantSearch descendantSearch) override
    {
        requests.append(descendantSearch);
        return answer;
    }
    bool focusedElementIsItemContainer() override { return itemContainer; }
    bool gestureLandsInContent(QPointF, QPointF) override { return landsInContent; }

    void select(const QString& text, qint32 pid, std::optional<QString> bundle)
    {
        SystemSelection selection;
        selection.context.selectedText = text;
        selection.context.sourceBundleIdentifier = std::move(bundle);
        selection.context.captureMethod = SelectionCaptureMethod::accessibility;
        selection.sourceProcessIdentifier = pid;
        answer = selection;
    }
    void exposeNothing(qint32 pid, std::optional<QString> bundle)
    {
        answer = std::unexpected(SelectionCaptureError::selectionUnavailable(
            SelectionSource{pid, QStringLiteral("Viewer"), std::move(bundle)}));
    }
};

// Pauses on a clock that only the test moves on; advancing also drains the event loop.
class ManualClock final : public ManualSleeper
{
public:
    void advance(std::chrono::milliseconds by)
    {
        ManualSleeper::advance(by);
        ScriptedInput::drain();
    }
};
