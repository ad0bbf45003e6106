#pragma once
// Time and chance as seams: tests replace them so that no test waits for real
// and random choices can be steered.
#include <cstdint>
#include <functional>
#include <string>

namespace qv {

// Blocks for the given milliseconds (Sleep), unless a test replaced it.
void SleepMs(uint32_t ms);
// A number in [0, bound). Seeded from the clock at the first call.
uint32_t RandomBelow(uint32_t bound);

// The local time as "YYYY-MM-DD hh:mm:ss", unless a test replaced it.
std::string LocalTimeText();

struct ClockHooks {
    std::function<void(uint32_t)> sleep;
    std::function<uint32_t(uint32_t)> random;
};
// Replaces the hooks that are set; empty functions mean the real thing.
void SetClockHooks(ClockHooks hooks);
// Replaces what LocalTimeText says; an empty function means the real clock.
void SetLocalTimeHook(std::function<std::string()> now);

} // namespace qv
