#pragma once
// Shared set-up of the deactivation tests: a fresh model whose AppDir is a
// throwaway folder, and a separate working directory for aseinactive.dat.
#include "model/AppModel.h"
#include "support/Model.h"
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

// The number of the line a failure shows, -1 for none: the tests check
// lines by their place in the file.
inline int LineOf(const std::optional<Failure>& failure) {
    return failure ? LineNumber(failure->line) : -1;
}

class InactiveTestBase : public test::ModelTest {
  protected:
    void SetUp() override {
        model.AppDir = app.Path();
        cwd_ = std::make_unique<test::WorkingDirectory>(work.Path());
        ASSERT_TRUE(cwd_->Changed());
    }
    void TearDown() override {
        SetClockHooks({});
        cwd_.reset();
    }

    // Appends the entry to ASEntries and shows it as the next list row;
    // returns the row.
    size_t AddRow(AutostartEntry e, uint8_t active = 1) {
        int index = AddASEntry(model.ASEntries, e, active);
        ASListIndex.push_back(static_cast<uint16_t>(index));
        return ASListIndex.size() - 1;
    }
    // A click that left row's check mark as `checked`, as the list hands it on.
    CheckMarkOutcome CheckMark(size_t row, bool checked) {
        if (row >= ASListIndex.size()) return {};
        return OnEntryCheckMark(model, ASListIndex[row], checked);
    }
    static std::string IniValue(const std::string& file, const std::string& section,
                                const std::string& key) {
        char buf[1024] = {};
        ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", buf, sizeof buf,
                                   file.c_str());
        return buf;
    }

    // The rows of the list these tests play: row r shows
    // model.ASEntries[ASListIndex[r]].
    std::vector<uint16_t> ASListIndex;
    TempDir app;
    TempDir work;

  private:
    std::unique_ptr<test::WorkingDirectory> cwd_;
};

} // namespace qv::test
