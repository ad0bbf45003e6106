// The update check's dialog, driven in-process through the modal runner
// against a scripted server on 127.0.0.1: what each answer shows, the
// hand-over after OK, the errors that keep the dialog open, closing before
// the first tick, and ticks and close requests that arrive while the check
// waits for the network.
#include "model/AppModel.h"
#include "support/Model.h"
#include "base/Files.h"
#include "base/LanguageLines.h"
#include "process/GuardInterface.h"
#include "support/TestSupport.h"
#include "update/CheckUpdateUnit.h"
#include "update/TestHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace qv {
namespace {

using test::Response;
using test::TestHttpServer;

std::string Line(int n) {
    return "Zeile " + std::to_string(n);
}
std::string Line(Lng line) {
    return Line(LineNumber(line));
}

// Runs a function on the user-interface thread when another thread asks:
// the server thread posts, and the client's own waiting loop delivers it,
// so the function runs in the middle of the check.
class UiThreadCall {
  public:
    explicit UiThreadCall(std::function<void()> f) : f_(std::move(f)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QvTestUiThreadCall";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~UiThreadCall() { ::DestroyWindow(hwnd_); }
    UiThreadCall(const UiThreadCall&) = delete;
    UiThreadCall& operator=(const UiThreadCall&) = delete;

    void Post() { ::PostMessageW(hwnd_, WM_APP, 0, 0); }
    std::atomic<bool> done{false};

  private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<UiThreadCall*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
        if (msg == WM_APP && self) {
            self->f_();
            self->done = true;
            return 0;
        }
        return ::DefWindowProcW(h, msg, wp, lp);
    }
    std::function<void()> f_;
    HWND hwnd_ = nullptr;
};

class CheckUpdateFormTest : public test::ModelTest {
  protected:
    void SetUp() override {
        std::string lng;
        for (int i = 0; i <= LineNumber(Lng::Last); ++i)
            lng += Line(i) + "\r\n";
        model.LanguageTable.LoadFromBytes(lng);
    }
    void TearDown() override { ui::SetModalRunner({}); }

    // Shows the dialog through ShowUpdateCheck; `drive` plays the user and
    // the timer. The guard and the shell are scripted before it runs.
    bool Run(const std::string& base, const std::function<void(TCheckUpdateForm&)>& drive) {
        ui::SetModalRunner([&](ui::ModalForm& m) {
            auto& f = dynamic_cast<TCheckUpdateForm&>(m);
            f.Outside.guardRunning = [this] { return guardRuns; };
            f.Outside.notifyGuard = [this](uint32_t message) {
                events.push_back("guard " + std::to_string(message));
                return true;
            };
            f.Outside.shellOpen = [this](const std::string& target) {
                events.push_back("open " + target);
                textsAtOpen = dialogs.Texts();
                return true;
            };
            drive(f);
            return f.ModalResult;
        });
        return ShowUpdateCheck(model.LanguageTable, dir.Path(), base);
    }
    bool Run(const std::function<void(TCheckUpdateForm&)>& drive) {
        return Run(server.Base(), drive);
    }

    // One tick of WaitTimer, through the form's own timer dispatch.
    static void Tick(TCheckUpdateForm& f) {
        ::SendMessageW(f.Handle(), WM_TIMER, f.WaitTimer.Id(), 0);
    }
    // After a failed check: still open, the bar at 1, the timer off; then
    // the user closes it by its frame.
    static void ExpectOpenAfterError(TCheckUpdateForm& f) {
        EXPECT_EQ(f.ModalResult, ui::mrNone);
        EXPECT_EQ(f.PBar.Position(), 1);
        EXPECT_FALSE(f.WaitTimer.Enabled());
        // A further tick of the switched-off timer changes nothing.
        Tick(f);
        EXPECT_EQ(f.PBar.Position(), 1);
        ::SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
        EXPECT_EQ(f.ModalResult, ui::mrCancel);
    }
    void ExpectOneError(const std::string& text) {
        ASSERT_EQ(dialogs.Messages().size(), 1u);
        EXPECT_EQ(dialogs.Messages()[0].text, text);
        EXPECT_EQ(dialogs.Messages()[0].kind, MsgKind::Error);
    }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    std::string answer;
    TestHttpServer server{[this](const std::string&) { return Response(200, answer); }};
    bool guardRuns = false;
    std::vector<std::string> events;
    std::vector<std::string> textsAtOpen;
};

TEST_F(CheckUpdateFormTest, OpensWaitingWithTheBarAtZeroAndItsTimerOn) {
    Run([&](TCheckUpdateForm& f) {
        EXPECT_EQ(f.FindComponent("WaitLbl"), &f.WaitLbl);
        EXPECT_EQ(f.FindComponent("PBar"), &f.PBar);
        EXPECT_EQ(f.WaitLbl.Caption(), Line(Lng::UpdateWait));
        wchar_t caption[64] = {};
        ::GetWindowTextW(f.Handle(), caption, 64);
        EXPECT_STREQ(caption, L"Update verf\u00FCgbar?");
        EXPECT_TRUE(::GetWindowLongPtrW(f.Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
        EXPECT_FALSE(::GetWindowLongPtrW(f.Handle(), GWL_STYLE) & WS_THICKFRAME);
        // 314 x 73 inside a border of 10; the bar along its bottom edge.
        EXPECT_EQ(f.ClientWidth(), 334);
        EXPECT_EQ(f.ClientHeight(), 93);
        RECT bar = f.PBar.Bounds();
        EXPECT_EQ(bar.left, 10);
        EXPECT_EQ(bar.right, 324);
        EXPECT_EQ(bar.bottom, 83);
        EXPECT_EQ(bar.bottom - bar.top, 17);
        LOGBRUSH brush{};
        ::GetObjectW(f.BackgroundBrush(), sizeof brush, &brush);
        EXPECT_EQ(brush.lbColor, RGB(245, 245, 245));
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(f.WaitLbl.Handle(), WM_GETFONT, 0, 0)),
                     sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, L"Arial");
        EXPECT_EQ(font.lfHeight, -12);
        EXPECT_EQ(font.lfWeight, FW_BOLD);

        EXPECT_EQ(f.PBar.Min(), 0);
        EXPECT_EQ(f.PBar.Max(), 30);
        EXPECT_EQ(f.PBar.Position(), 0);
        EXPECT_TRUE(f.WaitTimer.Enabled());
        EXPECT_FALSE(f.CheckStarted());
        // The check's time limit is 30 s per network step.
        EXPECT_EQ(f.HTTP.TimeOut, 30000u);
        EXPECT_EQ(f.HTTP.Body, dir / "update.dat");
        EXPECT_EQ(f.ExePath, ExecutablePath());
        ::SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
    });
}

TEST_F(CheckUpdateFormTest, OkToTheQuestionHandsOverToTheUpdaterAndEndsTheProgram) {
    answer = "1\r\nmore";
    dialogs.QueueAnswer(MsgResult::Ok);
    bool closed = false;
    const bool endProgram = Run([&](TCheckUpdateForm& f) {
        Tick(f);
        closed = f.ModalResult == ui::mrOk;
        EXPECT_FALSE(f.WaitTimer.Enabled());
    });
    EXPECT_TRUE(closed);
    EXPECT_TRUE(endProgram);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, Line(Lng::UpdateConfirm));
    EXPECT_EQ(dialogs.Messages()[0].buttons, unsigned(BtnOk | BtnCancel));
    // Without a running guard line 170 is not shown and nothing is posted.
    EXPECT_EQ(events, (std::vector<std::string>{"open " + dir.Path() + "update.exe"}));
    EXPECT_EQ(test::ReadBytes(dir / "update.ini"), "[Update]\r\n"
                                                   "FileListDeliverURL=" +
                                                       server.Base() +
                                                       "update/filelist.txt\r\n"
                                                       "FileDownloadBaseURL=" +
                                                       server.Base() +
                                                       "update/\r\n"
                                                       "ApplicationPath=" +
                                                       dir.Path() +
                                                       "\r\n"
                                                       "RestartApplication=" +
                                                       ExecutablePath() +
                                                       "\r\n"
                                                       "Version=\r\n");
    EXPECT_FALSE(FileExists(dir / "update.dat"));
    EXPECT_EQ(server.Paths(),
              (std::vector<std::string>{"/update/checkforupdate.php?version=6.02"}));
}

TEST_F(CheckUpdateFormTest, CancelToTheQuestionLeavesEverythingAndTheProgramRunning) {
    answer = "1\r\nmore";
    dialogs.QueueAnswer(MsgResult::Cancel);
    bool closed = false;
    EXPECT_FALSE(Run([&](TCheckUpdateForm& f) {
        Tick(f);
        closed = f.ModalResult == ui::mrOk;
    }));
    EXPECT_TRUE(closed);
    EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{Line(Lng::UpdateConfirm)}));
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(FileExists(dir / "update.ini"));
    EXPECT_FALSE(FileExists(dir / "update.dat"));
}

TEST_F(CheckUpdateFormTest, TheOtherAnswersShowTheirLineOrNothingAndClose) {
    const struct {
        const char* answer;
        std::vector<std::string> texts;
    } cases[] = {
        {"", {Line(Lng::UpdateCurrent)}},
        {"2", {}},
        {"-1", {Line(Lng::UpdateNotPossible)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        answer = c.answer;
        dialogs.Clear();
        bool closed = false;
        EXPECT_FALSE(Run([&](TCheckUpdateForm& f) {
            Tick(f);
            closed = f.ModalResult == ui::mrOk;
        }));
        EXPECT_TRUE(closed);
        EXPECT_EQ(dialogs.Texts(), c.texts);
        for (const MessageRequest& m : dialogs.Messages()) {
            EXPECT_EQ(m.kind, MsgKind::Plain);
            EXPECT_EQ(m.buttons, unsigned(BtnOk));
        }
        EXPECT_FALSE(FileExists(dir / "update.dat"));
    }
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(CheckUpdateFormTest, AnAnswerThatIsNoNumberIsShownAndKeepsTheDialogAndUpdateDat) {
    answer = "abc";
    EXPECT_FALSE(Run([&](TCheckUpdateForm& f) {
        Tick(f);
        ExpectOpenAfterError(f);
    }));
    ExpectOneError("Ung\xFCltige numerische Eingabe");
    EXPECT_EQ(test::ReadBytes(dir / "update.dat"), "abc");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(CheckUpdateFormTest, NetworkFailuresAreShownAndKeepTheDialogOpen) {
    // Nothing listens: the refused connection.
    EXPECT_FALSE(Run("http://127.0.0.1:" + std::to_string(test::UnusedPort()) + "/",
                     [&](TCheckUpdateForm& f) {
                         Tick(f);
                         ExpectOpenAfterError(f);
                     }));
    // In German, from the language file; the system's words are the cause.
    ExpectOneError(Line(Lng::NetRefused));

    // A server that accepts and never answers: the time limit ends the check
    // (shortened here; the dialog's own is 30 s).
    dialogs.Clear();
    TestHttpServer silent([](const std::string&) {
        test::Reply r;
        r.holdOpen = true;
        r.holdMs = 20000;
        return r;
    });
    EXPECT_FALSE(Run(silent.Base(), [&](TCheckUpdateForm& f) {
        f.HTTP.TimeOut = 300;
        Tick(f);
        ExpectOpenAfterError(f);
    }));
    ExpectOneError(Line(Lng::NetAborted));
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(FileExists(dir / "update.ini"));
}

TEST_F(CheckUpdateFormTest, ARunningGuardIsStoppedAndToldBeforeTheUpdaterStarts) {
    answer = "1";
    guardRuns = true;
    dialogs.QueueAnswer(MsgResult::Ok);
    EXPECT_TRUE(Run([&](TCheckUpdateForm& f) { Tick(f); }));
    EXPECT_EQ(events, (std::vector<std::string>{"guard " + std::to_string(GuardMsgStop),
                                                "open " + dir.Path() + "update.exe"}));
    const std::vector<std::string> told{Line(Lng::UpdateConfirm), Line(Lng::UpdateGuardStopped)};
    EXPECT_EQ(textsAtOpen, told);
    EXPECT_EQ(dialogs.Texts(), told);
}

TEST_F(CheckUpdateFormTest, ClosingBeforeTheFirstTickSendsNoRequest) {
    EXPECT_FALSE(Run([&](TCheckUpdateForm& f) {
        ::PostMessageW(f.Handle(), WM_CLOSE, 0, 0);
        ui::ProcessMessages(&f);
        EXPECT_EQ(f.ModalResult, ui::mrCancel);
        EXPECT_FALSE(f.WaitTimer.Enabled());
        // Neither a late tick nor a direct call starts the check now.
        Tick(f);
        f.WaitTimerTimer();
        EXPECT_FALSE(f.CheckStarted());
    }));
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_TRUE(dialogs.Messages().empty());

    // Escape closes it the same way.
    EXPECT_FALSE(Run([&](TCheckUpdateForm& f) {
        ::SendMessageW(f.Handle(), WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(f.ModalResult, ui::mrCancel);
        f.WaitTimerTimer();
    }));
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(CheckUpdateFormTest, ATickWaitingBehindTheFirstDoesNotKeepTheCheckFromRunning) {
    answer = "0";
    bool closed = false;
    Run([&](TCheckUpdateForm& f) {
        // The first tick lets waiting messages run before it checks: a second
        // tick among them must not move the bar past 1.
        ::PostMessageW(f.Handle(), WM_TIMER, f.WaitTimer.Id(), 0);
        f.WaitTimerTimer();
        closed = f.ModalResult == ui::mrOk;
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{Line(Lng::UpdateCurrent)}));
}

TEST_F(CheckUpdateFormTest, MessagesHandledDuringTheCheckStartNoSecondCheckAndDoNotCloseIt) {
    // The server answers only after ticks and close requests have reached
    // the dialog through the client's waiting loop; the answer is no number,
    // so the dialog is to stay open afterwards.
    TCheckUpdateForm* form = nullptr;
    int barDuringCheck = -1;
    int resultDuringCheck = -1;
    bool checkingDuringCheck = false;
    UiThreadCall meddle([&] {
        checkingDuringCheck = form->Checking();
        Tick(*form);
        form->WaitTimerTimer();
        form->WaitTimer.SetEnabled(true); // as if a tick were due
        Tick(*form);
        form->WaitTimer.SetEnabled(false);
        ::SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
        ::SendMessageW(form->Handle(), WM_COMMAND, IDCANCEL, 0);
        barDuringCheck = form->PBar.Position();
        resultDuringCheck = form->ModalResult;
    });
    TestHttpServer slow([&](const std::string&) {
        meddle.Post();
        test::Reply r = Response(200, "abc");
        r.gate = [&] { return meddle.done.load(); };
        return r;
    });
    EXPECT_FALSE(Run(slow.Base(), [&](TCheckUpdateForm& f) {
        form = &f;
        Tick(f);
        ExpectOpenAfterError(f);
    }));
    EXPECT_TRUE(meddle.done);
    EXPECT_TRUE(checkingDuringCheck);
    EXPECT_EQ(barDuringCheck, 1);
    EXPECT_EQ(resultDuringCheck, ui::mrNone);
    EXPECT_EQ(slow.Requests().size(), 1u);
    ExpectOneError("Ung\xFCltige numerische Eingabe");
}

} // namespace
} // namespace qv
