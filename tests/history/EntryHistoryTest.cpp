// Deactivating and reactivating through the list, recorded, and undone from
// the history on the real registry, ini files and files of the prefix: the
// thing comes back with its type, bytes, attributes and times, the kept
// entries and files follow, and a thing changed since is left alone.
#include "autostart/InactiveFixture.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "history/EntryHistory.h"
#include "history/HistoryStore.h"

#include <functional>

namespace qv::test {
namespace {

const char kKey[] = "Software\\QV6EntryHistoryTest";

struct Case {
    const char* name;
    std::function<AutostartEntry(const TempDir&)> arrange; // makes the source, gives its entry
    std::function<void(const TempDir&)> recreate;          // someone writes it back, otherwise
};

class EntryHistory : public InactiveTestBase {
  protected:
    void TearDown() override {
        RegDeleteTree(HKEY_CURRENT_USER, kKey);
        InactiveTestBase::TearDown();
    }
    uint32_t NewestId() {
        const HistoryLoad h = LoadHistory(model.AppDir);
        return h.history.records.empty() ? 0 : h.history.records.back().id;
    }
    ThingState Now(const AutostartEntry& e) { return CurrentState(TouchOf(e)); }
};

TEST_F(EntryHistory, UndoOfEachStateChangePutsBackExactlyOrRefusesWhenChangedSince) {
    const Case cases[] = {
        {"expandable Run value",
         [](auto&) {
             RegSetString(HKEY_CURRENT_USER, kKey, "tool", "%windir%\\tool.exe", REG_EXPAND_SZ);
             return RegEntry(kRootCurrentUser, kKey, "tool", "%windir%\\tool.exe");
         },
         [](auto&) { RegSetString(HKEY_CURRENT_USER, kKey, "tool", "other.exe"); }},
        {"ini key of a read-only file",
         [](const TempDir& d) {
             const std::string ini = d / "system.ini";
             WriteBytes(ini, "[boot]\r\nshell=explorer.exe\r\n", FILE_ATTRIBUTE_READONLY);
             return IniEntry(ini, "boot", "shell", "explorer.exe");
         },
         [](const TempDir& d) {
             const std::string ini = d / "system.ini";
             ::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
             ::WritePrivateProfileStringA("boot", "shell", "evil.exe", ini.c_str());
         }},
        {"hidden startup file with old times",
         [](const TempDir& d) {
             const std::string path = d / "start.lnk";
             WriteBytes(path, std::string("L\0\0\0link", 8),
                        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
             {
                 UniqueHandle f(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
                 const FILETIME old{0x12345600, 0x01C00000};
                 ::SetFileTime(f.get(), &old, nullptr, &old);
             }
             return FileEntry(path);
         },
         [](const TempDir& d) { WriteBytes(d / "start.lnk", "the program wrote it back"); }},
    };
    for (const Case& c : cases) {
        for (bool changedSince : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (changedSince ? ", changed since" : ""));
            TempDir place;
            model.ASEntries.clear();
            ASListIndex.clear();
            const AutostartEntry e = c.arrange(place);
            const ThingState original = Now(e);
            const size_t row = AddRow(e);
            ASSERT_FALSE(CheckMark(row, false).setCheck);
            const uint32_t deactivated = NewestId();
            ASSERT_NE(deactivated, 0u);
            EXPECT_EQ(LoadHistory(model.AppDir).history.records.back().kind,
                      ChangeKind::Deactivate);

            if (changedSince) {
                c.recreate(place);
                const ThingState theirs = Now(e);
                EXPECT_EQ(UndoChange(model, deactivated).result, UndoResult::ChangedSince);
                EXPECT_EQ(Now(e), theirs) << "nothing is overwritten";
                EXPECT_EQ(model.ASEntries[0].Active, 0);
                continue;
            }
            ASSERT_EQ(UndoChange(model, deactivated).result, UndoResult::Undone);
            ThingState now = Now(e);
            now.bytes = original.bytes; // a file's copy name
            EXPECT_EQ(now, original);
            if (e.Kind == KindFile) {
                EXPECT_EQ(ReadBytes(e.FileName.str()), std::string("L\0\0\0link", 8));
                EXPECT_TRUE(FilesIn(InactiveFolder(model.AppDir)).empty())
                    << "the kept copy went with the undo";
            }
            EXPECT_EQ(model.ASEntries[0].Active, 1);
            EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), "");
            EXPECT_EQ(UndoChange(model, deactivated).result, UndoResult::CannotUndo);

            // A reactivation undone takes it away again, into the kept entries.
            ASSERT_FALSE(CheckMark(row, false).setCheck);
            ASSERT_FALSE(CheckMark(row, true).setCheck);
            const uint32_t reactivated = NewestId();
            ASSERT_EQ(UndoChange(model, reactivated).result, UndoResult::Undone);
            EXPECT_FALSE(Now(e).exists);
            EXPECT_EQ(model.ASEntries[0].Active, 0);
            EXPECT_EQ(ReadBytes(work / kInactiveEntriesFile), EncodeRecords({model.ASEntries[0]}));
            ASSERT_FALSE(CheckMark(row, true).setCheck) << "the kept copy is whole";
        }
    }
}

} // namespace
} // namespace qv::test
