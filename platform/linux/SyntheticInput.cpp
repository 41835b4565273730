#include "SyntheticInput.h"

#include <chrono>

namespace {

// The server has produced the raw events by the time our round trip returns; they
// reach the monitor's connection at once, but the monitor drains them from the event
// loop, which a busy start may hold up for a while.
constexpr std::chrono::milliseconds ownInputWindow{500};

std::chrono::steady_clock::time_point& expectedUntil()
{
    static std::chrono::steady_clock::time_point until;
    return until;
}

} // namespace

namespace SyntheticInput {

void markOwnInputSent()
{
    expectedUntil() = std::chrono::steady_clock::now() + ownInputWindow;
}

bool isOwnInputExpected()
{
    return std::chrono::steady_clock::now() < expectedUntil();
}

} // namespace SyntheticInput
