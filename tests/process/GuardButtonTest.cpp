// The guard button's decisions over a scripted guard, and the real
// qvguard.exe started and stopped through them.
#include "model/AppModel.h"
#include "base/Clock.h"
#include "base/Files.h"
#include "base/LanguageLines.h"
#include "base/Text.h"
#include "process/GuardButton.h"
#include "process/GuardInterface.h"
#include "process/ProcessTable.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <functional>

namespace qv {
namespace {

// The number of the line a failure shows, -1 for none: the tests check
// lines by their place in the file.
inline int LineOf(const std::optional<Failure>& failure) {
    return failure ? LineNumber(failure->line) : -1;
}

// Answers IsRunning from a queue (the last answer repeats) and writes every
// call, and every sleep of the clock seam, into one log.
class ScriptedGuard : public GuardControl {
  public:
    explicit ScriptedGuard(std::initializer_list<bool> running) : running_(running) {
        SetClockHooks({[this](uint32_t ms) { log.push_back("sleep " + std::to_string(ms)); }, {}});
    }
    ~ScriptedGuard() override { SetClockHooks({}); }

    bool windowFound = true;
    std::vector<std::string> log;

    bool IsRunning() override {
        bool answer = running_.front();
        if (running_.size() > 1) running_.pop_front();
        log.push_back(answer ? "running" : "not running");
        return answer;
    }
    bool NotifyStop() override {
        log.push_back("stop");
        return windowFound;
    }
    void Start() override { log.push_back("start"); }

  private:
    std::deque<bool> running_;
};

using Log = std::vector<std::string>;

TEST(GuardButton, ClickStartsAMissingGuardAndShowsItRunning) {
    ScriptedGuard guard({false, true});
    GuardClickOutcome out = GuardButtonClick(guard);
    EXPECT_TRUE(out.pressed);
    EXPECT_EQ(out.labelLine, LineAt(72));
    EXPECT_FALSE(out.failure);
    EXPECT_EQ(guard.log,
              (Log{"not running", "start", "sleep 500", "running", "sleep 500", "running"}));
}

TEST(GuardButton, GuardThatDoesNotStartReleasesTheButtonWithLine75) {
    ScriptedGuard guard({false});
    GuardClickOutcome out = GuardButtonClick(guard);
    EXPECT_FALSE(out.pressed);
    EXPECT_FALSE(out.labelLine); // the label keeps its text
    EXPECT_EQ(LineOf(out.failure), 75);
    EXPECT_EQ(guard.log, (Log{"not running", "start", "sleep 500", "not running"}));
}

TEST(GuardButton, ClickStopsARunningGuard) {
    ScriptedGuard guard({true, false});
    GuardClickOutcome out = GuardButtonClick(guard);
    EXPECT_FALSE(out.pressed);
    EXPECT_EQ(out.labelLine, LineAt(73));
    EXPECT_FALSE(out.failure);
    EXPECT_EQ(guard.log, (Log{"running", "stop", "sleep 500", "not running"}));
}

TEST(GuardButton, GuardWithoutWindowKeepsTheButtonPressedWithLine74) {
    ScriptedGuard guard({true});
    guard.windowFound = false;
    GuardClickOutcome out = GuardButtonClick(guard);
    EXPECT_TRUE(out.pressed);
    EXPECT_FALSE(out.labelLine);
    EXPECT_EQ(LineOf(out.failure), 74);
    EXPECT_EQ(guard.log, (Log{"running", "stop"}));
}

TEST(GuardButton, GuardThatDoesNotEndInTimeShowsRunningAgain) {
    ScriptedGuard guard({true});
    GuardClickOutcome out = GuardButtonClick(guard);
    EXPECT_TRUE(out.pressed);
    EXPECT_EQ(out.labelLine, LineAt(72));
    EXPECT_FALSE(out.failure);
}

TEST(GuardButton, TimerNoticesOnlyAGuardThatWentAway) {
    ScriptedGuard gone({false});
    EXPECT_EQ(GuardTimerTick(true, gone), (GuardDisplay{false, LineAt(73)}));
    ScriptedGuard there({true});
    EXPECT_FALSE(GuardTimerTick(true, there));
    // A released button does not look at all, so a guard started from
    // outside is not noticed.
    ScriptedGuard outside({true});
    EXPECT_FALSE(GuardTimerTick(false, outside));
    EXPECT_TRUE(outside.log.empty());
    EXPECT_EQ(GuardPollInterval, 10000u);
}

// The real guard beside the test program. The two waits of the click are
// stretched until the guard has done what was asked (within a generous
// limit), so that a slow machine cannot fail the test.
class RealGuardButton : public testing::Test {
  protected:
    void SetUp() override {
        hadLog_ = FileExists(ExecutableDir() + "guard.log");
        guard_ = MakeSystemGuardControl(ExecutableDir());
        ASSERT_FALSE(guard_->IsRunning()) << "a guard from an earlier run is still running";
        SetClockHooks({[this](uint32_t ms) {
                           ::Sleep(ms);
                           WaitFor([this] { return guard_->IsRunning() == expectRunning_; });
                       },
                       {}});
    }
    void TearDown() override {
        SetClockHooks({});
        SystemProcessSource source;
        const std::string exe = UpperAscii(ExecutableDir() + kGuardExeName);
        for (const ProcessEntry& e : CollectProcesses(source))
            if (ProcessName(e) == exe) KillProcess(e.th32ProcessID);
        WaitFor([this] { return !guard_->IsRunning(); });
        if (!hadLog_) ::DeleteFileA((ExecutableDir() + "guard.log").c_str());
    }
    static void WaitFor(const std::function<bool()>& condition) {
        for (int i = 0; i < 200 && !condition(); ++i)
            ::Sleep(50);
    }

    std::unique_ptr<GuardControl> guard_;
    bool expectRunning_ = false;
    bool hadLog_ = false;
};

TEST_F(RealGuardButton, StartsAndStopsTheGuardAndTheLabelFollows) {
    expectRunning_ = true;
    GuardClickOutcome started = GuardButtonClick(*guard_);
    EXPECT_TRUE(started.pressed);
    EXPECT_EQ(started.labelLine, Lng::GuardRunning);
    EXPECT_FALSE(started.failure);
    EXPECT_EQ(ShowGuardState(*guard_), (GuardDisplay{true, Lng::GuardRunning}));
    EXPECT_FALSE(GuardTimerTick(true, *guard_));

    // Its window comes up a moment after its process.
    WaitFor([] { return ::FindWindowW(nullptr, kGuardWindowTitle) != nullptr; });
    expectRunning_ = false;
    GuardClickOutcome stopped = GuardButtonClick(*guard_);
    EXPECT_FALSE(stopped.pressed);
    EXPECT_EQ(stopped.labelLine, Lng::GuardNotRunning);
    EXPECT_FALSE(stopped.failure);
    EXPECT_FALSE(guard_->IsRunning());
}

} // namespace
} // namespace qv
