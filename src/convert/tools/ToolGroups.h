#pragma once

#include <sys/types.h>

// The process groups of the tools running now, for an end in a hurry: a signal handler that
// must end the program while its own threads are stuck kills them without a lock or an
// allocation (KillAllNow is async-signal-safe).
namespace ToolGroups {
void Add(pid_t group);
void Remove(pid_t group);
void KillAllNow() noexcept;
} // namespace ToolGroups
