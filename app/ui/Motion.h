#pragma once

#include <QVariantAnimation>

#include <functional>

// The windows' animations: ease-out curves of a fixed duration between two values of
// a number, started by state changes. Turning motion off (tests, reduced motion)
// makes every animation jump to its end at once.
namespace Motion {

inline constexpr int standardMilliseconds = 150; // content changes
inline constexpr int hoverMilliseconds = 120; // hover states

// An animation owned by owner that calls apply with each value.
QVariantAnimation* easeOut(QObject* owner, int milliseconds, std::function<void(double)> apply);
// Runs animation from its current value (or from) to target; done runs at the end,
// also when motion is off (then at once).
void run(QVariantAnimation* animation, double from, double target, std::function<void()> done = {});

void setEnabled(bool enabled);
[[nodiscard]] bool isEnabled();

} // namespace Motion
