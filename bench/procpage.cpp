// Filling the process page: 500 scripted processes running a realistic mix
// of distinct and repeated executables (real files of the system folder with
// their icons, and missing ones that get the default icon), through the
// page's whole fill, beside a plain insert of the same 500 rows into the
// same list, each with its icon loaded as it comes, in one run. Prints the
// times and the ratio; a second baseline, the plain insert loading each
// file's icon only once, shows what the fill costs beyond the icons. Needs a
// display: xvfb-run -a wine bench_procpage.exe
#include "app/MainUnit.h"
#include "base/Files.h"
#include "process/FunctionUnit.h"
#include "ui/Dialogs.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace qv;

namespace {

constexpr uint32_t kProcesses = 500;
constexpr int kRounds = 5;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// What procs.dll and the snapshot would say about the scripted processes.
class BenchSource : public ProcessSource {
  public:
    std::vector<std::pair<uint32_t, std::string>> processes;

    uint32_t NumberOfProcesses() override { return static_cast<uint32_t>(processes.size()); }
    uint32_t ProcessIdList(uint32_t* buffer, uint32_t bytes) override {
        for (size_t i = 0; i < processes.size() && i < bytes / 4; ++i)
            buffer[i] = processes[i].first;
        return 1;
    }
    void ProcessPath(uint32_t id, char* buffer, uint32_t chars) override {
        buffer[0] = '\0';
        for (const auto& [pid, path] : processes)
            if (pid == id) {
                size_t n = std::min<size_t>(path.size(), chars);
                std::memcpy(buffer, path.data(), n);
                buffer[n] = '\0';
            }
    }
    bool OpenSnapshot() override {
        next_ = 0;
        return true;
    }
    bool FirstProcess(ProcessEntry& record) override {
        next_ = 0;
        return NextProcess(record);
    }
    bool NextProcess(ProcessEntry& record) override {
        if (next_ >= processes.size()) return false;
        record = ProcessEntry{};
        record.dwSize = sizeof record;
        record.th32ProcessID = processes[next_].first;
        record.cntThreads = 4;
        std::strcpy(record.szExeFile, "x.exe");
        ++next_;
        return true;
    }
    void CloseSnapshot() override {}

  private:
    size_t next_ = 0;
};

// Every process can be opened and has a creation time, as on a real system.
class BenchControl : public ProcessControl {
    class Opened : public OpenedProcess {
      public:
        explicit Opened(uint32_t id) : id_(id) {}
        std::optional<uint64_t> CreationTime() override { return 1000 + id_; }
        bool HasEnded() override { return false; }
        bool Terminate() override { return false; }
        std::optional<bool> MarkedCritical() override { return false; }

      private:
        uint32_t id_;
    };

  public:
    std::unique_ptr<OpenedProcess> OpenForQuery(uint32_t id) override {
        return std::make_unique<Opened>(id);
    }
    std::unique_ptr<OpenedProcess> OpenForTermination(uint32_t id) override {
        return std::make_unique<Opened>(id);
    }
    uint32_t PriorityClass() override { return NORMAL_PRIORITY_CLASS; }
    void SetPriorityClass(uint32_t) override {}
    uint32_t CurrentProcessId() override { return 1; }
    std::string SystemDirectory() override { return "C:\\WINDOWS\\SYSTEM32\\"; }
};

// The guard is not this benchmark's business.
class NoGuard : public GuardControl {
  public:
    bool IsRunning() override { return false; }
    bool NotifyStop() override { return false; }
    void Start() override {}
};

class Silent : public DialogHandler {
  public:
    MsgResult Message(const MessageRequest& r) override {
        std::fprintf(stderr, "message: %s\n", r.text.c_str());
        return MsgResult::Cancel;
    }
    std::vector<std::string> OpenFiles(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> SaveFile(const FileDialogRequest&) override { return {}; }
};

// Executables of the system folder: real files, most with icons.
std::vector<std::string> SystemExecutables(size_t most) {
    char dir[MAX_PATH] = {};
    ::GetSystemDirectoryA(dir, MAX_PATH);
    std::vector<std::string> files;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((std::string(dir) + "\\*.exe").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(std::string(dir) + "\\" + fd.cFileName);
    } while (files.size() < most && ::FindNextFileA(h, &fd));
    ::FindClose(h);
    return files;
}

void RemoveFolder(const std::string& dir) {
    ::DeleteFileA((dir + "qv6.lng").c_str());
    ::RemoveDirectoryA(dir.c_str());
}

} // namespace

int main() {
    // The benchmark's own model, as a program has one.
    AppModel model;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    Silent silent;
    SetDialogHandler(&silent);
    // default.ico, the icon of files without one, is looked for here.
    ::SetCurrentDirectoryA(ExecutableDir().c_str());

    // About half the rows run a file no other row runs; the rest share a
    // few files many times over, as service hosts and browsers do. Some
    // files are missing and show the default icon.
    std::vector<std::string> files = SystemExecutables(180);
    for (int i = 0; i < 60; ++i)
        files.push_back("C:\\Programme\\Fehlt" + std::to_string(i) + "\\werkzeug.exe");
    BenchSource source;
    for (uint32_t i = 0; i < kProcesses; ++i) {
        size_t file = i < files.size() ? i : (i * 7919u) % std::min<size_t>(files.size(), 12);
        source.processes.emplace_back(100 + 4 * i, files[file]);
    }
    std::map<std::string, int> distinct;
    for (const auto& p : source.processes)
        ++distinct[p.second];

    std::string dir = MakeTempDirectory("qv6bench");
    auto lng = ReadFileBytes(ExecutableDir() + "qv6.lng");
    if (!lng) {
        std::fprintf(stderr, "qv6.lng not found beside the benchmark\n");
        return 1;
    }
    WriteFileAtomic(dir + "qv6.lng", *lng);

    BenchControl control;
    double fill = 1e9, plain = 1e9, once = 1e9;
    int rows = 0, images = 0;
    {
        TMainForm form(model);
        form.ProcSource = &source;
        form.ProcControl = &control;
        form.Guard = std::make_unique<NoGuard>();
        if (!form.Create(dir, false)) {
            std::fprintf(stderr, "the main window could not be created\n");
            return 1;
        }
        TProcessesPage& page = form.ProcessesPage();
        for (int round = 0; round < kRounds; ++round) {
            auto t0 = std::chrono::steady_clock::now();
            page.RefreshProcessPage(true);
            auto t1 = std::chrono::steady_clock::now();
            rows = page.ProcList.Count();
            images = page.IconList.Count();

            // The same rows straight into the list, each with its file's icon.
            page.ProcList.BeginUpdate();
            page.IconList.Clear();
            page.ProcList.Clear();
            for (const auto& p : source.processes) {
                IconHandle icon = LoadFileIcon(p.second);
                int image = icon ? page.IconList.AddIcon(icon.get()) : -1;
                page.ProcList.AddItem(p.second, {}, false, image);
            }
            page.ProcList.EndUpdate();
            auto t2 = std::chrono::steady_clock::now();

            // Once more, each file's icon loaded only the first time.
            page.ProcList.BeginUpdate();
            page.IconList.Clear();
            page.ProcList.Clear();
            std::map<std::string, int> imageOf;
            for (const auto& p : source.processes) {
                auto [it, fresh] = imageOf.try_emplace(p.second, -1);
                if (fresh) {
                    IconHandle icon = LoadFileIcon(p.second);
                    it->second = icon ? page.IconList.AddIcon(icon.get()) : -1;
                }
                page.ProcList.AddItem(p.second, {}, false, it->second);
            }
            page.ProcList.EndUpdate();
            auto t3 = std::chrono::steady_clock::now();
            fill = std::min(fill, Seconds(t1 - t0));
            plain = std::min(plain, Seconds(t2 - t1));
            once = std::min(once, Seconds(t3 - t2));
        }
    }
    RemoveFolder(dir);

    std::printf("processes: %d rows, %zu distinct files (%zu in the system folder), %d images\n",
                rows, distinct.size(), files.size() - 60, images);
    std::printf("plain insert with icons:            %8.1f ms\n", plain * 1000);
    std::printf("plain insert, one icon per file:    %8.1f ms\n", once * 1000);
    std::printf("page fill:                          %8.1f ms\n", fill * 1000);
    std::printf("ratio: %.2f (goal: at most 1.50)\n", fill / plain);
    std::printf("ratio to the insert with one icon per file: %.2f\n", fill / once);
    return fill / plain <= 1.5 ? 0 : 2;
}
