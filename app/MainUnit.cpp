#include "app/MainUnit.h"

#include "app/AppContext.h"
#include "app/Backup.h"
#include "app/LanguageTable.h"
#include "autostart/Inactive.h"
#include "autostart/Scanner.h"
#include "base/Files.h"
#include "database/KnownEntries.h"
#include "ui/Dialogs.h"

namespace qv {

namespace {
const wchar_t kClassName[] = L"TMainForm";
}

TMainForm::~TMainForm() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool TMainForm::Create(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = ::CreateSolidBrush(RGB(0xF5, 0xF5, 0xF5));
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc);
    hwnd_ = ::CreateWindowExW(0, kClassName, L"Quorvik 6", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 653, 558, nullptr, nullptr, instance, this);
    if (!hwnd_) return false;
    SetDialogOwner(hwnd_);
    if (!FormCreate()) return false;
    ::ShowWindow(hwnd_, SW_SHOW);
    return true;
}

bool TMainForm::FormCreate() {
    AppDir = ExecutableDir();
    if (!FileExists(AppDir + "qv6.lng")) {
        MessageDlg({"Language file not found. Please reinstall Quorvik 6!", "Quorvik 6",
                    MsgKind::Error, BtnOk});
        return false;
    }
    LanguageTable.LoadFromBytes(ReadFileBytes(AppDir + "qv6.lng").value_or(std::string()));
    RunGuarded([] { ScanAutostarts(); });
    RunGuarded([] { BackupStartupFolders(); });
    RunGuarded([] { LoadKnownEntries(); });
    RunGuarded([] { LoadInactiveEntries(); });
    return true;
}

LRESULT CALLBACK TMainForm::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

int RunMessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

} // namespace qv
