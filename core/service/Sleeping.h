#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

// A pause that does not block its thread. The retry pause of the cite client goes
// through it so that tests can observe the requested duration and skip the wait.
class Sleeping
{
public:
    virtual ~Sleeping() = default;
    // Runs resume once, on the calling thread's event loop, after duration. Destroying
    // the returned handle first cancels the pause: resume then never runs.
    [[nodiscard]] virtual std::unique_ptr<QObject> sleep(std::chrono::nanoseconds duration,
                                                         std::function<void()> resume) = 0;
};

// Pauses with a timer on the calling thread's event loop.
class TimerSleeper final : public Sleeping
{
public:
    [[nodiscard]] std::unique_ptr<QObject> sleep(std::chrono::nanoseconds duration,
                                                 std::function<void()> resume) override;
};
