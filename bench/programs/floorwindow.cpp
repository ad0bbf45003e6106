// The floor of the start-up benchmark: the smallest window program of
// minwindow.cpp, plus a plain walk of the registry values and files the
// autostart scan reads (the services' keys and the task files as they lie,
// as a program that reads no more than it must would read them), plus a plain insert of the run
// keys' values into a list of two columns with tick boxes, shown before the message loop. No
// records, no language file, no checksums: what any program that shows the
// same rows must at least spend.
#include "MinimalWindow.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

const char kCV[] = "Software\\Microsoft\\Windows\\CurrentVersion\\";
const char kWowCV[] = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\";

struct Row {
    std::wstring name, data;
};

class Walk {
  public:
    // Every value of the key with its data; the text values of a run key
    // become rows.
    void Values(HKEY root, const std::string& path, bool rows) {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        for (DWORD i = 0;; ++i) {
            wchar_t name[16384];
            BYTE data[8192];
            DWORD nameLen = 16384, dataLen = sizeof data - 2, type = 0;
            if (::RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &dataLen) !=
                ERROR_SUCCESS)
                break;
            if (rows && (type == REG_SZ || type == REG_EXPAND_SZ)) {
                data[dataLen] = data[dataLen + 1] = 0;
                rows_.push_back({name, reinterpret_cast<const wchar_t*>(data)});
            }
        }
        ::RegCloseKey(key);
    }

    // The file read whole, if it is there.
    void File(const std::string& path) {
        HANDLE f = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return;
        DWORD got = 0;
        while (::ReadFile(f, buf_.data(), static_cast<DWORD>(buf_.size()), &got, nullptr) && got) {
        }
        ::CloseHandle(f);
    }

    // The files of the folder a shell folder value names.
    void Folder(HKEY root, const char* key, const char* value) {
        char folder[MAX_PATH * 2];
        DWORD size = sizeof folder;
        if (::RegGetValueA(root, key, value, RRF_RT_REG_SZ, nullptr, folder, &size) ==
            ERROR_SUCCESS)
            Tree(folder, 0);
    }

    // Every subkey's named values ("" its default value), each subkey's
    // subkeys too when asked.
    void SubkeyValues(HKEY root, const std::string& path, std::initializer_list<const char*> names,
                      int depth = 0) {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        char sub[256];
        for (DWORD i = 0; ::RegEnumKeyA(key, i, sub, sizeof sub) == ERROR_SUCCESS; ++i) {
            HKEY child = nullptr;
            if (::RegOpenKeyExA(key, sub, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
            for (const char* name : names) {
                BYTE data[2048];
                DWORD size = sizeof data;
                ::RegQueryValueExA(child, name, nullptr, nullptr, data, &size);
            }
            ::RegCloseKey(child);
            if (depth > 0) SubkeyValues(root, path + "\\" + sub, names, depth - 1);
        }
        ::RegCloseKey(key);
    }

    // The files of the folder and of its folders, each read whole.
    void Tree(const std::string& folder, int depth) {
        WIN32_FIND_DATAA fd;
        HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &fd);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                File(folder + "\\" + name);
            else if (depth > 0)
                Tree(folder + "\\" + name, depth - 1);
        } while (::FindNextFileA(find, &fd));
        ::FindClose(find);
    }

    // The sources of today's Windows: the services and drivers, the
    // scheduler's task files, Winlogon, the image hijacks, the AppInit
    // DLLs, the LSA packages, the print monitors, the packaged apps'
    // startup tasks and the switches of Windows' own startup list.
    void Today(const std::string& sys) {
        SubkeyValues(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services",
                     {"Type", "Start", "ImagePath", "DisplayName"});
        Tree(sys + "Tasks", 8);
        const std::string nt = "Software\\Microsoft\\Windows NT\\CurrentVersion\\";
        const std::string nt32 = "Software\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\";
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            Values(root, nt + "Winlogon", false);
        SubkeyValues(HKEY_LOCAL_MACHINE, nt + "Winlogon\\Notify", {"DllName"});
        for (const std::string& base : {nt, nt32}) {
            SubkeyValues(HKEY_LOCAL_MACHINE, base + "Image File Execution Options", {"Debugger"});
            SubkeyValues(HKEY_LOCAL_MACHINE, base + "SilentProcessExit", {"MonitorProcess"});
            Values(HKEY_LOCAL_MACHINE, base + "Windows", false);
        }
        Values(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Lsa", false);
        Values(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Lsa\\OSConfig", false);
        SubkeyValues(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Print\\Monitors",
                     {"Driver"});
        SubkeyValues(HKEY_CURRENT_USER,
                     "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\"
                     "CurrentVersion\\AppModel\\SystemAppData",
                     {"State"}, 1);
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
            for (const char* list : {"Run", "Run32", "StartupFolder"})
                Values(root, std::string(kCV) + "Explorer\\StartupApproved\\" + list, false);
    }

    void All() {
        for (const char* k : {"Run", "RunServices", "RunOnce"})
            Values(HKEY_CURRENT_USER, std::string(kCV) + k, true);
        for (const char* k : {"Run", "RunServices", "RunOnce", "RunServicesOnce", "RunOnceEx"})
            Values(HKEY_LOCAL_MACHINE, std::string(kCV) + k, true);
        for (const char* k : {"exefile", "comfile", "batfile", "htafile", "piffile"}) {
            char data[2048];
            LONG size = sizeof data;
            ::RegQueryValueA(HKEY_CLASSES_ROOT, (std::string(k) + "\\shell\\open\\command").c_str(),
                             data, &size);
        }
        SubkeyValues(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Active Setup\\Installed Components",
                     {"StubPath", ""});
        SubkeyValues(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD",
                     {"StaticVxD", ""});
        Values(HKEY_CURRENT_USER, "Software\\Mirabilis\\ICQ\\Agent\\Apps", false);
        Values(HKEY_CURRENT_USER, "Software\\Mirabilis\\ICQ\\Agent\\Apps\\test", false);
        Folder(HKEY_CURRENT_USER, (std::string(kCV) + "Explorer\\Shell Folders").c_str(),
               "startup");
        Folder(HKEY_LOCAL_MACHINE, (std::string(kCV) + "explorer\\Shell Folders").c_str(),
               "common startup");
        char windows[MAX_PATH], system[MAX_PATH], text[2048];
        ::GetWindowsDirectoryA(windows, MAX_PATH);
        ::GetSystemDirectoryA(system, MAX_PATH);
        const std::string win = std::string(windows) + "\\", sys = std::string(system) + "\\";
        for (const char* key : {"load", "run"})
            ::GetPrivateProfileStringA("windows", key, "", text, sizeof text,
                                       (win + "win.ini").c_str());
        ::GetPrivateProfileStringA("boot", "shell", "", text, sizeof text,
                                   (win + "system.ini").c_str());
        for (const std::string& f :
             {std::string("c:\\winstart.bat"), std::string("c:\\msdos.sys"), win + "winstart.bat",
              sys + "winstart.bat", win + "command\\winstart.bat", win + "command\\cmdinit.bat",
              std::string("c:\\autoexec.bat"), std::string("c:\\config.sys"),
              std::string("c:\\win.bat"), std::string("c:\\winboot.ini"), win + "wininit.ini",
              std::string("c:\\explorer.exe")})
            File(f);
        for (const char* k : {"Run", "RunServices", "RunOnce", "RunServicesOnce", "RunOnceEx"})
            Values(HKEY_LOCAL_MACHINE, std::string(kWowCV) + k, true);
        Values(HKEY_CURRENT_USER, std::string(kCV) + "Policies\\Explorer\\Run", true);
        Values(HKEY_LOCAL_MACHINE, std::string(kCV) + "Policies\\Explorer\\Run", true);
        SubkeyValues(HKEY_LOCAL_MACHINE,
                     "Software\\WOW6432Node\\Microsoft\\Active Setup\\Installed Components",
                     {"StubPath", ""});
        Today(sys);
    }

    std::vector<Row>& Rows() { return rows_; }

  private:
    std::vector<Row> rows_;
    std::vector<char> buf_ = std::vector<char>(64 * 1024);
};

void Insert(HWND list, std::vector<Row>& rows) {
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    int n = 0;
    for (Row& r : rows) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = n++;
        item.pszText = r.name.data();
        item.state = INDEXTOSTATEIMAGEMASK(2);
        item.stateMask = LVIS_STATEIMAGEMASK;
        int row = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item));
        LVITEMW sub{};
        sub.iSubItem = 1;
        sub.pszText = r.data.data();
        ::SendMessageW(list, LVM_SETITEMTEXTW, row, (LPARAM)&sub);
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    HWND hwnd = minimal::MakeWindow(instance, L"QvFloorWindow", L"Floor");
    HWND list = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 90,
                                  600, 350, hwnd, nullptr, instance, nullptr);
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH;
    col.cx = 290;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&col);
    ::SendMessageW(list, LVM_INSERTCOLUMNW, 1, (LPARAM)&col);
    Walk walk;
    walk.All();
    Insert(list, walk.Rows());
    return minimal::ShowAndRun(hwnd);
}
