// procs.dll and the process table against the running system.
#include "model/AppModel.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "process/GuardInterface.h"
#include "process/ProcessTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

namespace qv {
namespace {

using CountFn = DWORD(WINAPI*)();
using IdListFn = DWORD(WINAPI*)(DWORD*, DWORD);
using PathFn = DWORD(WINAPI*)(DWORD, char*, DWORD);

class ProcsDll : public testing::Test {
  protected:
    void SetUp() override {
        dll_.reset(::LoadLibraryA("procs.dll"));
        ASSERT_TRUE(dll_) << "procs.dll beside the test program";
        // Undecorated names, as the program looks them up.
        count_ = reinterpret_cast<CountFn>(
            reinterpret_cast<void*>(::GetProcAddress(dll_.get(), "GetNumberOfProcesses")));
        idList_ = reinterpret_cast<IdListFn>(
            reinterpret_cast<void*>(::GetProcAddress(dll_.get(), "GetProcessIDList")));
        path_ = reinterpret_cast<PathFn>(
            reinterpret_cast<void*>(::GetProcAddress(dll_.get(), "GetProcessPath")));
        ASSERT_TRUE(count_ && idList_ && path_);
    }
    ModuleHandle dll_;
    CountFn count_ = nullptr;
    IdListFn idList_ = nullptr;
    PathFn path_ = nullptr;
};

TEST_F(ProcsDll, IdListFillsOnlyTheSlotsThatFit) {
    EXPECT_GE(count_(), 2u); // this program and Wine's own services at least
    DWORD ids[4] = {0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA};
    EXPECT_NE(idList_(ids, 9), 0u); // two whole slots
    EXPECT_NE(ids[0], 0xAAAAAAAAu);
    EXPECT_NE(ids[1], 0xAAAAAAAAu);
    EXPECT_EQ(ids[2], 0xAAAAAAAAu);
    EXPECT_EQ(idList_(ids, 3), 0u); // not even one slot: failure
    EXPECT_EQ(idList_(nullptr, 2000), 0u);

    DWORD all[500] = {};
    ASSERT_NE(idList_(all, sizeof all), 0u);
    bool self = false;
    for (DWORD id : all)
        self = self || id == ::GetCurrentProcessId();
    EXPECT_TRUE(self);
}

TEST_F(ProcsDll, PathIsTheFullExecutablePathOrEmpty) {
    char buf[261];
    std::memset(buf, 'x', sizeof buf);
    path_(::GetCurrentProcessId(), buf, 260);
    EXPECT_TRUE(SameTextAscii(buf, ExecutablePath())) << buf;

    // No such process: an empty text, not stale bytes.
    std::memset(buf, 'x', sizeof buf);
    path_(0x7FFFFFF0, buf, 260);
    EXPECT_STREQ(buf, "");

    // A buffer too small for the path: empty, and nothing written past it.
    std::memset(buf, 'x', sizeof buf);
    path_(::GetCurrentProcessId(), buf, 5);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(std::string(buf + 5, 10), std::string(10, 'x'));
}

TEST(ProcessTableLive, ListsThisProgramWithItsUpperCaseFullPath) {
    AppModel model;
    BuildProcessTable(model);
    ASSERT_FALSE(model.ProcessTable.empty());
    EXPECT_EQ(model.ProcessCount, model.ProcessTable.size());
    const ProcessEntry* self = nullptr;
    for (const ProcessEntry& e : model.ProcessTable)
        if (e.th32ProcessID == ::GetCurrentProcessId()) self = &e;
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(ProcessName(*self), UpperAscii(ExecutablePath()));
    EXPECT_GE(self->cntThreads, 1u);
    for (size_t i = 1; i < model.ProcessTable.size(); ++i)
        EXPECT_LE(CompareProcessNames(model.ProcessTable[i - 1], model.ProcessTable[i]), 0);
}

TEST(ProcessTableLive, KillProcessEndsARunningProcessAndFailsForAnUnknownId) {
    AppModel model;
    EXPECT_FALSE(KillProcess(0x7FFFFFF0));

    // A guard started from another folder: it runs, but is not AppDir's guard.
    test::TempDir folder;
    std::string copy = folder / kGuardExeName;
    ASSERT_TRUE(::CopyFileA((ExecutableDir() + kGuardExeName).c_str(), copy.c_str(), FALSE));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + copy + "\"";
    ASSERT_TRUE(::CreateProcessA(copy.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 folder.Path().c_str(), &si, &pi));
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    // Whatever fails below, the copy does not outlive the test.
    struct EndOnExit {
        UniqueHandle& p;
        ~EndOnExit() {
            if (p) ::TerminateProcess(p.get(), 1);
        }
    } endOnExit{process};

    model.AppDir = ExecutableDir();
    bool listed = false;
    BuildProcessTable(model);
    for (const ProcessEntry& e : model.ProcessTable)
        listed =
            listed || (e.th32ProcessID == pi.dwProcessId && ProcessName(e) == UpperAscii(copy));
    EXPECT_TRUE(listed);
    EXPECT_FALSE(TableHasGuard(model.ProcessTable, model.AppDir));

    EXPECT_TRUE(KillProcess(pi.dwProcessId));
    ASSERT_EQ(::WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
}

} // namespace
} // namespace qv
