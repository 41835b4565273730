#pragma once

// Protection for a process that holds the API key in memory.
namespace ProcessProtection {

// Makes this process non-dumpable: the kernel writes no core dump of it, and other
// processes of the same user can neither attach to it with ptrace nor read its memory
// or environment through /proc. Programs that read the key call this first thing in
// main. False when the kernel refused.
[[nodiscard]] bool makeNonDumpable();

} // namespace ProcessProtection
