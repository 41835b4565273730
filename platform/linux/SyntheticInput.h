#pragma once

// This process's own synthetic input (the Copy keystrokes typed through XTest). The
// input monitor ignores events of the XTest devices while they are expected, so our
// own Copy never counts as the user's key press; synthetic input from other clients
// (remote desktops, accessibility tools, test drivers) still counts as the user's.
// Main thread only.
namespace SyntheticInput {

// Call right after the server has processed our synthetic events.
void markOwnInputSent();
// Whether events of the XTest devices arriving now may still be ours.
[[nodiscard]] bool isOwnInputExpected();

} // namespace SyntheticInput
