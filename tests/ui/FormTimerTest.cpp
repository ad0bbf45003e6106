// Timers of a form: a running timer reaches its handler through the window's
// own ticks, a switched-off one never does, and a handler's exception goes to
// the error handler like every other handler's. The progress bar's range and
// step, as the update dialog uses them.
#include "base/Errors.h"
#include "support/TestSupport.h"
#include "ui/Form.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

class TimerForm : public ui::Form {
  public:
    TimerForm() {
        CreateFrame(L"QvTimerTestForm", "Timer", 200, 100, RGB(0xF5, 0xF5, 0xF5), {});
        Add(Bar, {.name = "Bar", .left = 10, .top = 50, .width = 150, .height = 17});
    }
    ~TimerForm() override { Destroy(); }
    void Start(ui::Timer& t, UINT ms, std::function<void()> handler, bool enabled) {
        AddTimer(t, ms, std::move(handler), enabled);
    }
    ui::ProgressBar Bar;
    ui::Timer Fast, Other;
};

// Handles messages until `done` says so, for at most 10 s.
template <class F> void PumpUntil(ui::Form& form, F done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
        ui::ProcessMessages(&form);
        if (!done()) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

TEST(FormTimer, ARunningTimerTicksUntilItIsSwitchedOff) {
    test::ScriptedDialogs dialogs;
    TimerForm f;
    int fast = 0, other = 0;
    f.Start(
        f.Fast, 10,
        [&] {
            if (++fast == 3) f.Fast.SetEnabled(false);
        },
        false);
    f.Start(
        f.Other, 10, [&] { ++other; }, false);
    EXPECT_FALSE(f.Fast.Enabled());
    f.Fast.SetEnabled(true);
    EXPECT_TRUE(f.Fast.Enabled());
    PumpUntil(f, [&] { return fast >= 3; });
    EXPECT_EQ(fast, 3);
    EXPECT_FALSE(f.Fast.Enabled());
    // A tick of a timer that is off, or was never on, is not delivered.
    ::SendMessageW(f.Handle(), WM_TIMER, f.Fast.Id(), 0);
    ::SendMessageW(f.Handle(), WM_TIMER, f.Other.Id(), 0);
    ui::ProcessMessages(&f);
    EXPECT_EQ(fast, 3);
    EXPECT_EQ(other, 0);
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST(FormTimer, AnExceptionInATimerHandlerIsShownAndTheTimerGoesOn) {
    test::ScriptedDialogs dialogs;
    TimerForm f;
    int ticks = 0;
    f.Start(
        f.Fast, 10,
        [&] {
            if (++ticks == 1) throw AppError("Zeitgeber kaputt");
        },
        true);
    PumpUntil(f, [&] { return ticks >= 2; });
    EXPECT_GE(ticks, 2);
    EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{"Zeitgeber kaputt"}));
    // Destroying the window switches the timer off.
    f.Destroy();
    EXPECT_FALSE(f.Fast.Enabled());
}

TEST(ProgressBar, StepsByItsStepWithinItsRange) {
    TimerForm f;
    f.Bar.SetRange(0, 30);
    f.Bar.SetStep(1);
    f.Bar.SetPosition(0);
    EXPECT_EQ(f.Bar.Min(), 0);
    EXPECT_EQ(f.Bar.Max(), 30);
    f.Bar.StepIt();
    EXPECT_EQ(f.Bar.Position(), 1);
    f.Bar.SetPosition(29);
    f.Bar.StepIt();
    EXPECT_EQ(f.Bar.Position(), 30);
}

} // namespace
} // namespace qv
