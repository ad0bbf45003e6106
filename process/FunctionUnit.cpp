#include "process/FunctionUnit.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace qv {

namespace {
// Asks for one large and one small icon; keeps the one asked for. Only a result
// of two makes both out-parameters icons: a file that cannot be read gives
// UINT_MAX, and then, as for a file without icons, the out-parameters hold
// whatever the system left there (Wine leaves stray values), which must be
// neither kept nor destroyed.
IconHandle ExtractIcon(const char* file, bool wantLarge) {
    HICON large = nullptr, small = nullptr;
    UINT got = ::ExtractIconExA(file, 0, &large, &small, 1);
    if (got != 2) return IconHandle();
    IconHandle keepLarge(large), keepSmall(small);
    return wantLarge ? std::move(keepLarge) : std::move(keepSmall);
}
} // namespace

IconHandle LoadFileIcon(const std::string& path, bool large) {
    IconHandle icon = ExtractIcon(path.c_str(), large);
    if (!icon) icon = ExtractIcon("default.ico", large);
    return icon;
}

bool ShellOpen(const std::string& target) {
    EnsureComApartment();
    HINSTANCE r = ::ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(r) <= 32;
}

std::string ResolveShortcut(const std::wstring& linkPath) {
    EnsureComApartment();
    ComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.put_void())))
        return {};
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return {};
    if (FAILED(file->Load(linkPath.c_str(), STGM_READ))) return {};
    if (FAILED(link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH))) return {};
    char buf[MAX_PATH + 1] = {};
    if (FAILED(link->GetPath(buf, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) return {};
    return std::string(buf);
}

} // namespace qv
