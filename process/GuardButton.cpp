#include "process/GuardButton.h"

#include "base/Clock.h"
#include "base/LanguageLines.h"

namespace qv {

GuardDisplay GuardDisplayFor(bool running) {
    return {running, running ? Lng::GuardRunning : Lng::GuardNotRunning};
}

GuardDisplay ShowGuardState(GuardControl& guard) {
    return GuardDisplayFor(guard.IsRunning());
}

GuardClickOutcome GuardButtonClick(GuardControl& guard) {
    GuardClickOutcome out;
    if (guard.IsRunning()) {
        if (!guard.NotifyStop()) {
            out.pressed = true;
            out.failure = Failure(Lng::GuardWindowNotFound);
            return out;
        }
    } else {
        guard.Start();
        SleepMs(kGuardSettleMs);
        if (!guard.IsRunning()) {
            out.pressed = false;
            out.failure = Failure(Lng::GuardDidNotStart);
            return out;
        }
    }
    SleepMs(kGuardSettleMs);
    GuardDisplay shown = ShowGuardState(guard);
    out.pressed = shown.pressed;
    out.labelLine = shown.labelLine;
    return out;
}

std::optional<GuardDisplay> GuardTimerTick(bool pressed, GuardControl& guard) {
    if (!pressed || guard.IsRunning()) return std::nullopt;
    return ShowGuardState(guard);
}

} // namespace qv
