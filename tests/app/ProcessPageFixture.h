#pragma once
// The main window opened on its process page against a folder of its own,
// with the processes, their control and the guard scripted or real as a
// test chooses, and the clock's sleeps recorded instead of slept.
#include "model/AppModel.h"
#include "support/Model.h"
#include "app/MainUnit.h"
#include "base/Clock.h"
#include "base/Files.h"
#include "database/KnownEntries.h"
#include "process/ScriptedProcessControl.h"
#include "process/ScriptedProcessSource.h"
#include "support/TestSupport.h"
#include "ui/Modal.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace qv::test {

// Answers IsRunning from a queue (the last answer repeats) and records what
// the button asked of it.
class ScriptedGuard : public GuardControl {
  public:
    std::deque<bool> running{false};
    bool windowFound = true;
    std::vector<std::string> log;

    bool IsRunning() override {
        bool answer = running.front();
        if (running.size() > 1) running.pop_front();
        log.push_back(answer ? "running" : "not running");
        return answer;
    }
    bool NotifyStop() override {
        log.push_back("stop");
        return windowFound;
    }
    void Start() override { log.push_back("start"); }
};

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class ProcessPageFixture : public test::ModelTest {
  protected:
    void SetUp() override {
        DeleteRunValues();
        lng_ = ReadBytes(ExecutableDir() + "qv6.lng");
        ASSERT_NE(lng_, "<missing>");
        WriteBytes(dir / "qv6.lng", lng_);
        SetClockHooks({[this](uint32_t ms) {
                           sleeps.push_back(ms);
                           statusWhileAsleep.push_back(form ? form->StatusLbl.Caption() : "");
                           control.log.push_back("sleep " + std::to_string(ms));
                       },
                       {}});
        // No dialog may ever wait for a user; tests that open one install
        // their own runner.
        ui::SetModalRunner([this](ui::ModalForm&) {
            ++modals;
            return int(ui::mrCancel);
        });
    }
    void TearDown() override {
        form.reset();
        ui::SetModalRunner({});
        ui::SetPopupRunner({});
        SetClockHooks({});
        DeleteRunValues();
    }

    // An autostart entry of the current user's Run key for the test; the
    // names in runValues are gone before the test and after it.
    void SetRunValue(const std::string& name, const std::string& command) {
        RegSetString(HKEY_CURRENT_USER, kRunKey, name, command);
    }
    std::vector<std::string> runValues;
    void DeleteRunValues() const {
        HKEY k;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS)
            return;
        for (const std::string& n : runValues)
            ::RegDeleteValueA(k, n.c_str());
        ::RegCloseKey(k);
    }

    // Opens the window hidden (a shown one costs seconds under Wine) with
    // the scripted source and control unless `real`; the guard is the
    // scripted one unless the test gives none (then the system's).
    TMainForm& Open(bool real = false, std::unique_ptr<GuardControl> g = nullptr,
                    const std::string& lng = {}) {
        if (!lng.empty()) WriteBytes(dir / "qv6.lng", lng);
        form = std::make_unique<TMainForm>(model);
        if (!real) {
            form->ProcSource = &source;
            form->ProcControl = &control;
        }
        form->Guard = std::move(g);
        EXPECT_TRUE(form->Create(dir.Path(), false));
        Pump();
        return *form;
    }
    // As the user switches to the process page.
    void ShowProcessPage() { ClickTab(1); }
    void ClickTab(int index) {
        RECT r{};
        TabCtrl_GetItemRect(form->Tab.Handle(), index, &r);
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::PostMessageW(form->Tab.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(form->Tab.Handle(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    void Click(ui::Control& c) {
        ::SendMessageW(c.Handle(), BM_CLICK, 0, 0);
        Pump();
    }
    void Pump() { ui::ProcessMessages(form.get()); }

    int RowOf(const std::string& caption) const {
        for (int r = 0; r < form->ProcessesPage().ProcList.Count(); ++r)
            if (form->ProcessesPage().ProcList.ItemText(r, 0) == caption) return r;
        return -1;
    }
    std::vector<int> TickedRows() const {
        std::vector<int> rows;
        for (int r = 0; r < form->ProcessesPage().ProcList.Count(); ++r)
            if (form->ProcessesPage().ProcList.Checked(r)) rows.push_back(r);
        return rows;
    }
    std::string Line(Lng n) const { return model.LanguageTable[n]; }
    std::string Line(Lng n, size_t count) const {
        return model.LanguageTable.Format(n, {std::to_string(count)});
    }
    std::string SurvFile() const { return dir / "procsurv.dat"; }

    TempDir dir;
    ScriptedDialogs dialogs;
    ScriptedProcessSource source;
    ScriptedProcessControl control;
    std::unique_ptr<TMainForm> form;
    std::vector<uint32_t> sleeps;
    std::vector<std::string> statusWhileAsleep;
    int modals = 0;
    std::string lng_;
};

} // namespace qv::test
