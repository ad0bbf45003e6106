// Many entries of every kind are deactivated and reactivated in random order
// while one step of each file move after another is refused. Whatever fails,
// every file, registry value and ini line must be either in force or kept,
// and aseinactive.dat, isf.dat and the folder of kept files must agree with
// the list.
#include "InactiveFixture.h"

#include "autostart/InactiveRules.h"
#include "autostart/RegistryRoot.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/Text.h"

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>

namespace qv::test {
namespace {

const std::string kRelKey = "Software\\qv6test\\Reliability";

struct Original {
    std::string bytes; // files: content
    DWORD attrs = 0;   // files and ini files: attributes
};

class InactiveReliability : public InactiveTestBase {
  protected:
    void TearDown() override {
        RegDeleteTree(HKEY_CURRENT_USER, kRelKey);
        RegDeleteTree(HKEY_LOCAL_MACHINE, kRelKey);
        for (const auto& ini : iniFiles_)
            ::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
        for (const auto& e : model.ASEntries)
            if (e.Kind == KindFile)
                ::SetFileAttributesA(e.FileName.str().c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveTree(InactiveFolder(model.AppDir));
        InactiveTestBase::TearDown();
    }

    void Populate(std::mt19937& rng) {
        const DWORD fileAttrs[] = {
            FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE,
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE,
            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
        // 110 files in three folders, one of them with a blank in its name.
        for (int i = 0; i < 110; ++i) {
            const TempDir& dir = folders_[i % 3];
            std::string path = dir / ((i % 2 ? "Prog " : "boot") + std::to_string(i) + ".lnk");
            std::string bytes(rng() % 3000, '\0');
            for (auto& c : bytes)
                c = static_cast<char>(rng());
            WriteBytes(path, bytes, fileAttrs[rng() % 4]);
            Add(FileEntry(path, i % 2 ? 5 : 7), {bytes, GetAttributes(path)});
        }
        // 50 registry values, under both roots, with and without a leading
        // backslash, some of the expandable type.
        for (int i = 0; i < 50; ++i) {
            bool hklm = i % 5 == 0;
            std::string key = kRelKey + "\\k" + std::to_string(i % 7);
            std::string name = "value " + std::to_string(i);
            std::string data = "C:\\Programme\\tool" + std::to_string(i) + ".exe /s";
            RegSetString(hklm ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key, name, data,
                         i % 3 ? REG_SZ : REG_EXPAND_SZ);
            Add(RegEntry(hklm ? kRootLocalMachine : kRootCurrentUser, (i % 2 ? "\\" : "") + key,
                         name, data, static_cast<uint8_t>(i % 2 ? 0 : 4)),
                {});
        }
        // 40 ini keys in four files, two of them read-only.
        for (int f = 0; f < 4; ++f) {
            std::string ini = work / ("rel" + std::to_string(f) + ".ini");
            std::string text = "[windows]\r\n";
            for (int k = 0; k < 10; ++k)
                text += "run" + std::to_string(k) + "=C:\\x\\p" + std::to_string(f * 10 + k) +
                        ".exe\r\n";
            WriteBytes(ini, text + "[other]\r\nkeep=1\r\n");
            if (f % 2)
                ::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
            iniFiles_.push_back(ini);
            iniAttrs_.push_back(GetAttributes(ini));
            for (int k = 0; k < 10; ++k)
                Add(IniEntry(ini, "windows", "run" + std::to_string(k),
                             "C:\\x\\p" + std::to_string(f * 10 + k) + ".exe"),
                    {});
        }
        ASSERT_EQ(model.ASEntries.size(), 200u);
    }

    void Add(AutostartEntry e, Original o) {
        AddRow(e);
        originals_.push_back(std::move(o));
    }

    // The one entry's source matches its Active value.
    void CheckEntry(size_t i, const std::map<std::string, IsfLine>& byFormer) {
        const AutostartEntry& e = model.ASEntries[i];
        const bool on = e.Active != 0;
        SCOPED_TRACE("entry " + std::to_string(i) + " " + e.Caption.str() + (on ? " on" : " off"));
        if (e.Kind == KindFile) {
            const std::string path = e.FileName.str();
            auto line = byFormer.find(path);
            if (on) {
                EXPECT_EQ(ReadBytes(path), originals_[i].bytes);
                EXPECT_EQ(GetAttributes(path), originals_[i].attrs);
                EXPECT_TRUE(line == byFormer.end());
            } else {
                EXPECT_FALSE(FileExists(path));
                ASSERT_TRUE(line != byFormer.end());
                EXPECT_EQ(line->second.attributes, std::to_string(originals_[i].attrs));
                EXPECT_EQ(ReadBytes(InactiveFolder(model.AppDir) + line->second.stored + ".bak"),
                          originals_[i].bytes);
            }
        } else if (e.Kind == KindRegistry) {
            HKEY root =
                e.RootKey.str() == kRootLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
            std::string key = RegistryPath(e.KeyPath.view());
            if (on)
                EXPECT_EQ(RegGetString(root, key, e.ValueName.str()), e.ValueData.str());
            else
                EXPECT_FALSE(RegValueExists(root, key, e.ValueName.str()));
        } else {
            const std::string file = e.FileName.str();
            EXPECT_EQ(IniValue(file, "windows", e.ValueName.str()),
                      on ? e.ValueData.str() : "<missing>");
        }
    }

    std::map<std::string, IsfLine> IndexByFormer() {
        std::map<std::string, IsfLine> byFormer;
        auto bytes = ReadFileBytes(InactiveIndexPath(model.AppDir));
        for (const auto& l : bytes ? SplitLines(*bytes) : std::vector<std::string>{}) {
            IsfLine line = ParseIsfLine(l);
            EXPECT_TRUE(byFormer.emplace(line.former, line).second)
                << "two lines for " << line.former;
        }
        return byFormer;
    }

    void CheckAll() {
        // aseinactive.dat holds exactly the deactivated entries, in order.
        std::vector<AutostartEntry> off;
        for (const auto& e : model.ASEntries)
            if (!e.Active) off.push_back(e);
        EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), EncodeRecords(off));

        auto byFormer = IndexByFormer();
        std::set<std::string> named;
        for (const auto& [former, line] : byFormer)
            named.insert(line.stored + ".bak");
        auto kept = FilesIn(InactiveFolder(model.AppDir));
        EXPECT_EQ(std::set<std::string>(kept.begin(), kept.end()), named);
        EXPECT_EQ(kept.size(), named.size());

        std::set<std::string> expectedInFolders[3];
        size_t fileOff = 0;
        for (size_t i = 0; i < model.ASEntries.size(); ++i) {
            CheckEntry(i, byFormer);
            const AutostartEntry& e = model.ASEntries[i];
            if (e.Kind == KindFile) {
                if (e.Active)
                    expectedInFolders[i % 3].insert(ExtractFileName(e.FileName.view()));
                else
                    ++fileOff;
            }
        }
        EXPECT_EQ(byFormer.size(), fileOff);
        // Nothing left behind in the folders: no staging copies, no strays.
        for (int f = 0; f < 3; ++f) {
            auto names = FilesIn(folders_[f].Path());
            EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expectedInFolders[f]);
        }
        for (size_t f = 0; f < iniFiles_.size(); ++f) {
            EXPECT_EQ(GetAttributes(iniFiles_[f]), iniAttrs_[f]);
            EXPECT_EQ(IniValue(iniFiles_[f], "other", "keep"), "1");
        }
    }

    TempDir folders_[3];
    std::vector<Original> originals_;
    std::vector<std::string> iniFiles_;
    std::vector<DWORD> iniAttrs_;
};

TEST_F(InactiveReliability, TwoHundredEntriesWithAFaultAtEveryStepInTurn) {
    std::mt19937 rng(20261207);
    ASSERT_NO_FATAL_FAILURE(Populate(rng));
    // Stored names drawn from a narrow range, so that names collide often.
    SetClockHooks({nullptr, [&](uint32_t) { return static_cast<uint32_t>(rng() % 150); }});

    std::vector<size_t> order;
    for (int round = 0; round < 3; ++round)
        for (size_t i = 0; i < model.ASEntries.size(); ++i)
            order.push_back(i);
    std::shuffle(order.begin(), order.end(), rng);

    enum Fault { None, Copy, Delete, Index };
    int failures = 0, changes = 0;
    for (size_t step = 0; step < order.size(); ++step) {
        const size_t row = order[step];
        const Fault fault = static_cast<Fault>(step % 4);
        auto armed = std::make_shared<bool>(true);
        auto fire = [armed] { return std::exchange(*armed, false); };
        InactiveFaultHooks hooks;
        if (fault == Copy)
            hooks.refuseCopy = [fire](const std::string&, const std::string&) { return fire(); };
        if (fault == Delete) hooks.refuseDelete = [fire](const std::string&) { return fire(); };
        if (fault == Index) hooks.refuseIndexWrite = [fire] { return fire(); };
        model.Inactive.faults = hooks;

        const bool wasOn = model.ASEntries[row].Active != 0;
        CheckMarkOutcome out = CheckMark(row, !wasOn);
        const bool isFile = model.ASEntries[row].Kind == KindFile;
        const bool shouldFail = isFile && fault != None;
        SCOPED_TRACE("step " + std::to_string(step) + " row " + std::to_string(row));
        if (shouldFail) {
            EXPECT_FALSE(*armed) << "the injected fault was never reached";
            EXPECT_EQ(out.setCheck, wasOn);
            EXPECT_EQ(LineOf(out.failure), 26);
            EXPECT_EQ(model.ASEntries[row].Active != 0, wasOn);
            ++failures;
        } else {
            EXPECT_FALSE(out.setCheck);
            EXPECT_EQ(LineOf(out.failure), -1);
            EXPECT_EQ(model.ASEntries[row].Active != 0, !wasOn);
            ++changes;
        }
        auto byFormer = IndexByFormer();
        CheckEntry(row, byFormer);
        if (step % 25 == 24) CheckAll();
        if (::testing::Test::HasFailure()) break;
    }
    model.Inactive.faults = {};
    CheckAll();
    EXPECT_GT(failures, 100);
    EXPECT_GT(changes, 300);

    // A restart: the sources give the active entries, aseinactive.dat the rest.
    std::vector<AutostartEntry> before = model.ASEntries;
    model.ASEntries.clear();
    for (auto e : before)
        if (e.Active) AddASEntry(model.ASEntries, e, 1);
    size_t active = model.ASEntries.size();
    EXPECT_EQ(static_cast<size_t>(LoadInactiveEntries(model)), before.size() - active);
    EXPECT_EQ(model.ASEntries.size(), before.size());
}

} // namespace
} // namespace qv::test
