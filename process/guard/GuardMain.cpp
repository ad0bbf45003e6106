// qvguard.exe: watches the run keys and the startup folders while it runs
// and announces every new entry that the known-entries database does not
// hold, with a balloon of its tray icon and a line in guard.log beside it.
// An entry the user deactivated that its program writes back is parked
// again at once, and announced the same way.
// The main program starts it, finds it by its window title and tells it to
// end, that the database changed, or that an entry was edited.
#include "base/Files.h"
#include "base/LanguageFile.h"
#include "base/LanguageLines.h"
#include "base/Handles.h"
#include "database/KnownEntries.h"
#include "model/AppModel.h"
#include "process/GuardInterface.h"
#include "process/GuardLook.h"
#include "process/GuardWatch.h"
#include "base/WinText.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

namespace qv {
namespace {

constexpr UINT_PTR kWatchTimer = 1;
// Often enough that a new entry shows up while the user still remembers
// what was installed; a look costs a few registry reads and folder listings.
constexpr UINT kWatchIntervalMs = 2000;
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kTrayId = 1;

constexpr UINT kMenuClose = 100;
constexpr DWORD kTrayRemovalWaitMs = 200;

// The guard shows no message boxes: a database it cannot read leaves the
// one it has, and a look that fails is tried again at the next tick.
void ReloadDatabase(AppModel& model) {
    KnownEntryDB loaded;
    try {
        LoadKnownEntries(loaded, model.AppDir);
    } catch (...) {
        return;
    }
    model.ASEntryDB = std::move(loaded);
    model.Changed(ModelChange::KnownEntries);
}

class TGuardForm {
  public:
    // The model holds the guard's folder (the program's folder), the
    // program's language file and the database.
    explicit TGuardForm(AppModel& model) : model_(model) {}
    bool Create(HINSTANCE instance);
    ~TGuardForm() {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }

  private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void Look();
    void Announce(const std::vector<std::string>& lines);
    void AddTrayIcon();
    void RemoveTrayIcon();
    void ShowTrayMenu();
    std::wstring GuardName() const;

    AppModel& model_;
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    UINT taskbarCreated_ = 0;
    bool trayIcon_ = false;
    AutostartWatch watch_;
};

std::wstring TGuardForm::GuardName() const {
    // The guard's name is the guard button's caption.
    const std::string& name = model_.LanguageTable[Lng::QVGuardBtnCaption];
    return name.empty() ? std::wstring(kGuardWindowTitle) : ToWide(name);
}

bool TGuardForm::Create(HINSTANCE instance) {
    const wchar_t kClassName[] = L"TQVGuardForm";
    icon_ = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!icon_) icon_ = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hIcon = icon_;
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc);
    // What is there now is not news. This is taken before the window exists,
    // so that once the main program can find the guard, it is watching.
    ReloadDatabase(model_);
    watch_.SetBaseline(ReadWatchedEntries());
    // A top-level window that is never shown: it only carries the title by
    // which the main program finds the guard, and receives its messages.
    hwnd_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, kGuardWindowTitle, WS_OVERLAPPED, 0, 0,
                              0, 0, nullptr, nullptr, instance, this);
    if (!hwnd_) return false;
    taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    AddTrayIcon();
    ::SetTimer(hwnd_, kWatchTimer, kWatchIntervalMs, nullptr);
    return true;
}

LRESULT CALLBACK TGuardForm::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TGuardForm*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->hwnd_ == hwnd) return self->Handle(msg, wp, lp);
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT TGuardForm::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case GuardMsgStop:
        ::DestroyWindow(hwnd_);
        return 0;
    case GuardMsgDatabaseChanged:
    case GuardMsgEntryEdited:
        // The user accepted or changed entries: judge the sources again
        // against the database as it is now.
        ReloadDatabase(model_);
        Look();
        return 0;
    case WM_TIMER:
        if (wp == kWatchTimer) Look();
        return 0;
    case kTrayMessage:
        if (LOWORD(lp) == WM_RBUTTONUP || LOWORD(lp) == WM_CONTEXTMENU) ShowTrayMenu();
        return 0;
    case WM_DESTROY: {
        ::KillTimer(hwnd_, kWatchTimer);
        RemoveTrayIcon();
        HWND h = hwnd_;
        hwnd_ = nullptr;
        ::SetWindowLongPtrW(h, GWLP_USERDATA, 0);
        ::PostQuitMessage(0);
        return 0;
    }
    default:
        if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
            // The shell restarted and lost its icons.
            trayIcon_ = false;
            AddTrayIcon();
            return 0;
        }
        return ::DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

void TGuardForm::Look() {
    try {
        GuardLook look = LookAtWatchedSources(model_, watch_);
        std::vector<std::string> lines;
        for (const ReParked& p : look.parked)
            lines.push_back(ReParkNotice(p, model_.LanguageTable));
        for (const AutostartEntry& e : look.fresh)
            lines.push_back(
                DescribeEntry(e, model_.LanguageTable[GroupName(GroupOfByte(e.Group))]));
        if (!lines.empty()) Announce(lines);
    } catch (...) {
    }
}

// Appends one line per notice to guard.log: local time, then the notice.
void AppendToLog(const AppModel& model, const std::vector<std::string>& notices) {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    char stamp[32];
    wsprintfA(stamp, "%02u.%02u.%04u %02u:%02u:%02u  ", t.wDay, t.wMonth, t.wYear, t.wHour,
              t.wMinute, t.wSecond);
    std::string lines;
    for (const std::string& n : notices)
        lines += stamp + n + "\r\n";
    UniqueHandle file(::CreateFileA((model.AppDir + "guard.log").c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
}

void TGuardForm::Announce(const std::vector<std::string>& notices) {
    AppendToLog(model_, notices);
    if (!trayIcon_) AddTrayIcon();
    if (!trayIcon_) return;
    // One balloon for all entries of this look: the group, the caption and
    // what it starts, one entry per line.
    std::string text;
    for (const std::string& n : notices) {
        if (!text.empty()) text += "\n";
        text += n;
    }
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = kTrayId;
    nid.uFlags = NIF_INFO;
    nid.dwInfoFlags = NIIF_WARNING;
    std::wstring title = GuardName();
    std::wstring body = ToWide(text);
    wcsncpy(nid.szInfoTitle, title.c_str(), std::size(nid.szInfoTitle) - 1);
    wcsncpy(nid.szInfo, body.c_str(), std::size(nid.szInfo) - 1);
    ::Shell_NotifyIconW(NIM_MODIFY, &nid);
}

void TGuardForm::AddTrayIcon() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = kTrayId;
    nid.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    nid.uCallbackMessage = kTrayMessage;
    nid.hIcon = icon_;
    std::wstring tip = GuardName();
    wcsncpy(nid.szTip, tip.c_str(), std::size(nid.szTip) - 1);
    trayIcon_ = ::Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

DWORD WINAPI DeleteTrayIcon(LPVOID param) {
    auto* nid = static_cast<NOTIFYICONDATAW*>(param);
    ::Shell_NotifyIconW(NIM_DELETE, nid);
    delete nid;
    return 0;
}

void TGuardForm::RemoveTrayIcon() {
    if (!trayIcon_) return;
    trayIcon_ = false;
    auto* nid = new NOTIFYICONDATAW{};
    nid->cbSize = sizeof *nid;
    nid->hWnd = hwnd_;
    nid->uID = kTrayId;
    // The shell may take seconds to take its last icon away (Wine hides its
    // tray window first), but the guard must be gone half a second after it
    // was told to stop: the request goes out from a thread of its own, and
    // the guard waits for it only briefly. The shell has the request either
    // way.
    UniqueHandle worker(::CreateThread(nullptr, 0, DeleteTrayIcon, nid, 0, nullptr));
    if (!worker) {
        DeleteTrayIcon(nid);
        return;
    }
    ::WaitForSingleObject(worker.get(), kTrayRemovalWaitMs);
}

void TGuardForm::ShowTrayMenu() {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return;
    const std::string& close = model_.LanguageTable[Lng::EditorCloseCaption];
    ::AppendMenuW(menu, MF_STRING, kMenuClose, close.empty() ? L"&X" : ToWide(close).c_str());
    POINT pt;
    ::GetCursorPos(&pt);
    // The menu closes when the user clicks elsewhere only if the window is
    // in the foreground.
    ::SetForegroundWindow(hwnd_);
    UINT chosen = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, pt.x, pt.y,
                                   0, hwnd_, nullptr);
    ::DestroyMenu(menu);
    if (chosen == kMenuClose) ::DestroyWindow(hwnd_);
}

} // namespace
} // namespace qv

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // One guard per executable path; a second start ends at once.
    const std::string exe = qv::ExecutablePath();
    HANDLE mutex = ::CreateMutexA(nullptr, TRUE, qv::GuardInstanceName(exe).c_str());
    DWORD error = ::GetLastError();
    qv::UniqueHandle instanceLock(mutex);
    if (!mutex || error == ERROR_ALREADY_EXISTS) return 0;

    // The guard's own model: it shares nothing with the main program but
    // the files.
    qv::AppModel model;
    model.AppDir = qv::ExecutableDir();
    if (auto lng = qv::ReadFileBytes(model.AppDir + "qv6.lng"))
        model.LanguageTable.LoadFromBytes(*lng);
    // COM for resolving the links in the startup folders.
    qv::ComInit com;

    {
        qv::TGuardForm form(model);
        if (!form.Create(instance)) return 1;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}
