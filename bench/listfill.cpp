// Filling the autostart list: a group of 10,000 rows against a database of
// 10,000 known entries, beside inserting the same rows into the same list
// with no lookup at all, in one run. Prints both times and the ratio.
#include "model/AppModel.h"
#include "app/MainUnit.h"
#include "autostart/AutostartEntry.h"
#include "base/Files.h"
#include "database/KnownEntries.h"
#include "ui/Dialogs.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

using namespace qv;

namespace {

constexpr int kRows = 10000;
constexpr int kRounds = 5;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

AutostartEntry Entry(int group, int i, const char* prefix) {
    AutostartEntry e = ZeroEntry();
    e.Group = static_cast<uint8_t>(group);
    e.Active = static_cast<uint8_t>(i % 7 != 0);
    e.RootKey.assign(kRootLocalMachine);
    e.KeyPath.assign("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    std::string name = std::string(prefix) + std::to_string(i);
    e.ValueName.assign(name);
    e.ValueData.assign("C:\\Programme\\" + name + "\\" + name + ".exe /autostart");
    e.Caption.assign(name);
    e.Detail.assign(e.ValueData.view());
    return e;
}

void RemoveFolder(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((dir + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(dir + name + "\\");
            else {
                ::SetFileAttributesA((dir + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA((dir + name).c_str());
            }
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(dir.c_str());
}

// Never let a message box wait for a user.
class Silent : public DialogHandler {
  public:
    MsgResult Message(const MessageRequest& r) override {
        std::fprintf(stderr, "message: %s\n", r.text.c_str());
        return MsgResult::Cancel;
    }
    std::vector<std::string> OpenFiles(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> SaveFile(const FileDialogRequest&) override { return {}; }
};

} // namespace

int main() {
    // The benchmark's own model, as a program has one.
    AppModel model;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    Silent silent;
    SetDialogHandler(&silent);

    std::string dir = MakeTempDirectory("qv6bench");
    auto lng = ReadFileBytes(ExecutableDir() + "qv6.lng");
    if (!lng) {
        std::fprintf(stderr, "qv6.lng not found beside the benchmark\n");
        return 1;
    }
    WriteFileAtomic(dir + "qv6.lng", *lng);

    double fill = 1e9, plain = 1e9;
    int shown = 0, known = 0;
    {
        TMainForm form(model);
        if (!form.Create(dir, false)) {
            std::fprintf(stderr, "the main window could not be created\n");
            return 1;
        }
        // 10,000 rows in group 0 among entries of other groups; half of the
        // rows are known, the rest of the database is entries never shown.
        model.ASEntries.clear();
        model.ASEntryDB.clear();
        for (int i = 0; i < kRows; ++i) {
            model.ASEntries.push_back(Entry(0, i, "Eintrag"));
            if (i % 10 == 0) model.ASEntries.push_back(Entry(3, i, "VxD"));
        }
        for (int i = 0; i < kRows; ++i)
            model.ASEntryDB.Add(i % 2 ? Entry(0, i, "Eintrag") : Entry(0, i, "Fremd"));
        TAutostartPage& page = form.AutostartPage();
        page.SelectASGroupCombo.SetItemIndex(0);

        for (int round = 0; round < kRounds; ++round) {
            // The same rows, inserted with no lookup and no index.
            auto t0 = std::chrono::steady_clock::now();
            page.ASList.BeginUpdate();
            page.ASList.Clear();
            for (const AutostartEntry& e : model.ASEntries)
                if (e.Group == 0)
                    page.ASList.AddItem(e.Caption.view(), e.Detail.view(), e.Active != 0, 0);
            page.ASList.EndUpdate();
            auto t1 = std::chrono::steady_clock::now();
            page.SelectASGroupComboChange();
            auto t2 = std::chrono::steady_clock::now();
            plain = std::min(plain, Seconds(t1 - t0));
            fill = std::min(fill, Seconds(t2 - t1));
        }
        shown = page.ASList.Count();
        for (int r = 0; r < shown; ++r)
            known += page.ASList.ItemImage(r) == 1;
    }
    RemoveFolder(dir);

    std::printf("rows shown: %d (known: %d), database: %d records\n", shown, known, kRows);
    std::printf("plain insert:      %8.1f ms\n", plain * 1000);
    std::printf("fill with lookup:  %8.1f ms\n", fill * 1000);
    std::printf("ratio: %.2f (goal: at most 1.50)\n", fill / plain);
    return fill / plain <= 1.5 ? 0 : 2;
}
