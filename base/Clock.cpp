#include "base/Clock.h"

#include <windows.h>

#include <random>

namespace qv {

namespace {
ClockHooks g_hooks;

std::mt19937& Generator() {
    static std::mt19937 gen(static_cast<uint32_t>(::GetTickCount64() ^ ::GetCurrentProcessId()));
    return gen;
}
} // namespace

void SleepMs(uint32_t ms) {
    if (g_hooks.sleep)
        g_hooks.sleep(ms);
    else
        ::Sleep(ms);
}

uint32_t RandomBelow(uint32_t bound) {
    if (bound == 0) return 0;
    if (g_hooks.random) return g_hooks.random(bound) % bound;
    return std::uniform_int_distribution<uint32_t>(0, bound - 1)(Generator());
}

void SetClockHooks(ClockHooks hooks) {
    g_hooks = std::move(hooks);
}

} // namespace qv
