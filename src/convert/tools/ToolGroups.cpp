#include "convert/tools/ToolGroups.h"

#include <atomic>
#include <csignal>

namespace {

// More tools than ever run at once (two slots and two probes).
constexpr int kSlots = 32;
std::atomic<pid_t> g_groups[kSlots];

} // namespace

void ToolGroups::Add(pid_t group)
{
    for (std::atomic<pid_t> &slot : g_groups) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, group))
            return;
    }
}

void ToolGroups::Remove(pid_t group)
{
    for (std::atomic<pid_t> &slot : g_groups) {
        pid_t expected = group;
        if (slot.compare_exchange_strong(expected, 0))
            return;
    }
}

void ToolGroups::KillAllNow() noexcept
{
    for (std::atomic<pid_t> &slot : g_groups) {
        const pid_t group = slot.load();
        if (group > 0)
            ::kill(-group, SIGKILL);
    }
}
