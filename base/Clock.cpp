#include "base/Clock.h"

#include <windows.h>

#include <cstdio>
#include <random>

namespace qv {

namespace {
// The process-wide hooks: one for the whole program, as there is one clock.
ClockHooks& Hooks() {
    static ClockHooks hooks;
    return hooks;
}
std::function<std::string()> g_now;

std::mt19937& Generator() {
    static std::mt19937 gen(static_cast<uint32_t>(::GetTickCount64() ^ ::GetCurrentProcessId()));
    return gen;
}
} // namespace

void SleepMs(uint32_t ms) {
    const ClockHooks& hooks = Hooks();
    if (hooks.sleep)
        hooks.sleep(ms);
    else
        ::Sleep(ms);
}

uint32_t RandomBelow(uint32_t bound) {
    if (bound == 0) return 0;
    if (const ClockHooks& hooks = Hooks(); hooks.random) return hooks.random(bound) % bound;
    return std::uniform_int_distribution<uint32_t>(0, bound - 1)(Generator());
}

std::string LocalTimeText() {
    if (g_now) return g_now();
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

void SetClockHooks(ClockHooks hooks) {
    Hooks() = std::move(hooks);
}

} // namespace qv

namespace qv {
void SetLocalTimeHook(std::function<std::string()> now) {
    g_now = std::move(now);
}
} // namespace qv
