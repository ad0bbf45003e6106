// Undo through the real registry, ini files and files of the prefix: each
// kind of touch is put back byte for byte, and a thing changed since the
// change is left alone.
#include "base/Files.h"
#include "base/Handles.h"
#include "history/HistoryStore.h"
#include "history/HistoryUndo.h"
#include "support/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <windows.h>

using namespace qv;
using qv::test::TempDir;

namespace {

const char* kKey = "Software\\QV6HistoryTest";
const char* kHkcu = "2147483649";

void SetValue(DWORD type, const std::string& bytes) {
    qv::test::RegSetRaw(HKEY_CURRENT_USER, kKey, "v", type, bytes);
}

struct Case {
    const char* name;
    ChangeTouch touch;
    std::function<void()> arrange, change, changeAgain;
};

} // namespace

TEST(HistoryUndo, EachKindIsPutBackExactlyOrRefusedWhenChangedSince) {
    TempDir dir;
    const std::string ini = dir / "t.ini";
    const std::string file = dir / "start.bat";
    const std::string binary("\x01\x00\xFF\x7F", 4);
    // A hidden, read-only batch file with a NUL inside: attributes and bytes must both come back.
    auto seedHiddenBatch = [&] {
        qv::test::WriteBytes(file, std::string("@echo\0off\r\n", 11),
                             FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    };
    const ChangeTouch value{TouchWhat::RegistryValue, kHkcu, kKey, "v", {}, {}},
        iniKey{TouchWhat::IniValue, ini, "s", "k", {}, {}},
        batch{TouchWhat::File, file, {}, {}, {}, {}};
    const Case cases[] = {
        {"registry value edited", value, [&] { SetValue(REG_BINARY, binary); },
         [] { SetValue(REG_SZ, "new"); }, [] { SetValue(REG_SZ, "again"); }},
        {"registry value deleted", value, [] { SetValue(REG_EXPAND_SZ, std::string("%x%\0", 4)); },
         [] { qv::test::RegDeleteTree(HKEY_CURRENT_USER, kKey); },
         [] { SetValue(REG_SZ, "back"); }},
        {"ini key", iniKey, [&] { qv::test::WriteBytes(ini, "[s]\r\nk=old\r\n"); },
         [&] { ::WritePrivateProfileStringA("s", "k", "new", ini.c_str()); },
         [&] { ::WritePrivateProfileStringA("s", "k", "other", ini.c_str()); }},
        {"file deleted", batch, seedHiddenBatch,
         [&] {
             ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
             ::DeleteFileA(file.c_str());
         },
         [&] { qv::test::WriteBytes(file, "someone else's"); }},
        {"file saved in the editor", batch, seedHiddenBatch,
         [&] {
             ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
             qv::test::WriteBytes(file, "@echo on\r\n");
         },
         [&] { qv::test::WriteBytes(file, "someone else's"); }},
    };
    for (const Case& c : cases) {
        for (bool changedSince : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (changedSince ? ", changed since" : ""));
            const std::string app = dir / (std::string(c.name) + (changedSince ? "1\\" : "0\\"));
            ASSERT_TRUE(qv::ForceDirectories(app));
            c.arrange();
            ChangeTouch touch = c.touch;
            TakeBefore(touch, app);
            const ThingState original = CurrentState(touch);
            c.change();
            TakeAfter(touch);
            ChangeRecord r;
            r.caption = c.name;
            r.touches = {touch};
            uint32_t id = 0;
            ASSERT_EQ(RecordChange(app, r, &id), HistoryFault::None);
            if (changedSince) c.changeAgain();
            const ThingState beforeUndo = CurrentState(touch);

            const UndoOutcome out = UndoChange(app, id);
            HistoryLoad h = LoadHistory(app);
            if (changedSince) {
                EXPECT_EQ(out.result, UndoResult::ChangedSince);
                EXPECT_EQ(CurrentState(touch), beforeUndo);
                EXPECT_EQ(h.history.records.size(), 1u);
                continue;
            }
            ASSERT_EQ(out.result, UndoResult::Undone);
            ThingState now = CurrentState(touch);
            // The file's copy is named in the record, not in the live state.
            now.bytes = original.bytes;
            EXPECT_EQ(now, original);
            if (touch.what == TouchWhat::File) {
                EXPECT_EQ(qv::test::ReadBytes(file), std::string("@echo\0off\r\n", 11));
            }
            ASSERT_EQ(h.history.records.size(), 2u);
            EXPECT_EQ(h.history.records[0].undoneBy, h.history.records[1].id);
            EXPECT_EQ(h.history.records[1].kind, ChangeKind::Undo);
            // Undone once, it cannot be undone again.
            EXPECT_EQ(UndoChange(app, id).result, UndoResult::CannotUndo);
        }
    }
    qv::test::RegDeleteTree(HKEY_CURRENT_USER, kKey);
}

TEST(HistoryUndo, AFileWhoseCopyIsGoneIsRefusedAndLeftAlone) {
    TempDir dir;
    const std::string file = dir / "start.bat";
    qv::test::WriteBytes(file, "@echo off\r\n");
    ChangeRecord r = BeginChange(dir.Path(), ChangeKind::Delete, "start.bat", {});
    ChangeTouch touch{TouchWhat::File, file, {}, {}, {}, {}};
    TakeBefore(touch, dir.Path());
    ASSERT_FALSE(touch.before.bytes.empty());
    ASSERT_TRUE(::DeleteFileA(file.c_str()));
    TakeAfter(touch);
    r.touches = {touch};
    uint32_t id = 0;
    ASSERT_EQ(RecordChange(dir.Path(), r, &id), HistoryFault::None);
    ASSERT_TRUE(qv::RemoveFile(HistoryCopiesFolder(dir.Path()) + touch.before.bytes));
    const UndoOutcome out = UndoChange(dir.Path(), id);
    EXPECT_EQ(out.result, UndoResult::CopyMissing);
    EXPECT_EQ(out.what, file);
    EXPECT_FALSE(qv::FileExists(file));
    EXPECT_EQ(LoadHistory(dir.Path()).history.records.size(), 1u) << "nothing was undone";
}
