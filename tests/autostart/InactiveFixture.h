#pragma once
// Shared set-up of the deactivation tests: a throwaway AppDir, a separate
// working directory for aseinactive.dat, empty entry arrays and no injected
// faults; everything is put back afterwards.
#include "app/AppContext.h"
#include "autostart/AutostartEntry.h"
#include "autostart/Inactive.h"
#include "base/Clock.h"
#include "support/Entries.h"
#include "support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qv::test {

// The rows of the list these tests play: row r shows ASEntries[ASListIndex[r]].
inline std::vector<uint16_t> ASListIndex;

// A click that left row's check mark as `checked`, as the list hands it on.
// The number of the line a failure shows, -1 for none: the tests check
// lines by their place in the file.
inline int LineOf(const std::optional<Failure>& failure) {
    return failure ? LineNumber(failure->line) : -1;
}

inline CheckMarkOutcome CheckMark(size_t row, bool checked) {
    if (row >= ASListIndex.size()) return {};
    return OnEntryCheckMark(AppDir, ASListIndex[row], checked);
}

class InactiveTestBase : public ::testing::Test {
  protected:
    void SetUp() override {
        oldAppDir_ = AppDir;
        AppDir = app.Path();
        cwd_ = std::make_unique<test::WorkingDirectory>(work.Path());
        ASSERT_TRUE(cwd_->Changed());
        ASEntries.clear();
        ASListIndex.clear();
        SetInactiveFaultHooks({});
    }
    void TearDown() override {
        SetInactiveFaultHooks({});
        SetClockHooks({});
        ASEntries.clear();
        ASListIndex.clear();
        cwd_.reset();
        AppDir = oldAppDir_;
    }

    // Appends the entry to ASEntries and shows it as the next list row;
    // returns the row.
    static size_t AddRow(AutostartEntry e, uint8_t active = 1) {
        int index = AddASEntry(e, active);
        ASListIndex.push_back(static_cast<uint16_t>(index));
        return ASListIndex.size() - 1;
    }
    static std::string IniValue(const std::string& file, const std::string& section,
                                const std::string& key) {
        char buf[1024] = {};
        ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", buf, sizeof buf,
                                   file.c_str());
        return buf;
    }

    TempDir app;
    TempDir work;

  private:
    std::string oldAppDir_;
    std::unique_ptr<test::WorkingDirectory> cwd_;
};

} // namespace qv::test
