#pragma once
// The guard button, its label and its timer without the window: what they
// show after each event. The form copies the outcome onto the controls and
// shows the message, if any. Pure code over GuardControl.
#include "base/Failure.h"
#include "base/LanguageLines.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace qv {

constexpr uint32_t GuardPollInterval = 10000; // QVGuardTimer, in milliseconds
constexpr uint32_t kGuardSettleMs = 500;      // the waits around starting and stopping

// What the guard needs from the system. Every IsRunning looks at the
// processes anew, in a table of its own, never the process page's.
class GuardControl {
  public:
    virtual ~GuardControl() = default;
    // Runs the application directory's qvguard.exe?
    virtual bool IsRunning() = 0;
    // Asks the guard's window to end; false when there is no window.
    virtual bool NotifyStop() = 0;
    // Opens the application directory's qvguard.exe with the shell.
    virtual void Start() = 0;
};

// The guard's state as the button and the label show it.
struct GuardDisplay {
    bool pressed = false;
    Lng labelLine = Lng::GuardNotRunning; // Lng::GuardRunning or Lng::GuardNotRunning
    bool operator==(const GuardDisplay&) const = default;
};
GuardDisplay GuardDisplayFor(bool running);
// ShowGuardState: looks and decides.
GuardDisplay ShowGuardState(GuardControl& guard);

struct GuardClickOutcome {
    bool pressed = false;
    // Set only when the state was shown anew; otherwise the label keeps its text.
    std::optional<Lng> labelLine;
    // What to show after the button is set: Lng::GuardWindowNotFound or
    // Lng::GuardDidNotStart.
    std::optional<Failure> failure;
};
// QVGuardBtnClick: decided from the processes, not from the button. A
// running guard is asked to end, a missing one is started; each waits
// 500 ms (SleepMs) for the guard to follow before the state is shown.
GuardClickOutcome GuardButtonClick(GuardControl& guard);

// QVGuardTimerTimer: a pressed button whose guard has gone away shows the
// state anew; nothing otherwise (a guard started from outside is not
// noticed until the user clicks).
std::optional<GuardDisplay> GuardTimerTick(bool pressed, GuardControl& guard);

// The real guard of the application directory (with its trailing backslash).
std::unique_ptr<GuardControl> MakeSystemGuardControl(const std::string& appDir);

} // namespace qv
