#include "base/Files.h"

#include "base/FileErrors.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Text.h"

#include <windows.h>

#include <algorithm>

namespace qv {

bool FileExists(const std::string& path) {
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& path) {
    std::string p = path;
    while (p.size() > 3 && p.back() == '\\')
        p.pop_back();
    if (p.empty()) return false;
    if (DirectoryExists(p)) return true;
    std::string parent = ExtractFilePath(p);
    if (!parent.empty() && parent.size() < p.size() && parent != p) ForceDirectories(parent);
    return ::CreateDirectoryA(p.c_str(), nullptr) || DirectoryExists(p);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    // Delete sharing too: a reader must never keep WriteFileAtomic from
    // replacing the file meanwhile.
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(f.get(), &size) || size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFF)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(bytes.size() - done);
        if (!::ReadFile(f.get(), bytes.data() + done, want, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

std::string ReadFileBytesOrThrow(const std::string& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes) throw AppError(FileErrorText(FileOperation::Open, path));
    return std::move(*bytes);
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
    const std::string failure = FileErrorText(FileOperation::Create, path);
    std::string dir = ExtractFilePath(path);
    char tmp[MAX_PATH + 1] = {};
    if (!::GetTempFileNameA(dir.empty() ? "." : dir.c_str(), "qv6", 0, tmp))
        throw AppError(failure);
    bool ok = false;
    {
        UniqueHandle f(::CreateFileA(tmp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (f) {
            ok = true;
            size_t done = 0;
            while (ok && done < bytes.size()) {
                DWORD put = 0;
                DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
                ok = ::WriteFile(f.get(), bytes.data() + done, want, &put, nullptr) && put == want;
                done += put;
            }
            ok = ok && ::FlushFileBuffers(f.get());
        }
    }
    if (ok)
        ok = ::MoveFileExA(tmp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        ::DeleteFileA(tmp);
        throw AppError(failure);
    }
}

uint32_t GetAttributes(const std::string& path) {
    return ::GetFileAttributesA(path.c_str());
}

bool SetAttributes(const std::string& path, uint32_t attributes) {
    return ::SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool RemoveFile(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != 0;
}

bool DeleteAnyFile(const std::string& path) {
    const DWORD attrs = ::GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::DeleteFileA(path.c_str())) return true;
    ::SetFileAttributesA(path.c_str(), attrs);
    return false;
}

std::string ExecutablePath() {
    std::string buf(MAX_PATH, '\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

std::string ExecutableDir() {
    return IncludeTrailingBackslash(ExtractFilePath(ExecutablePath()));
}

std::string MakeTempDirectory(std::string_view prefix) {
    char base[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, base);
    for (unsigned n = ::GetTickCount() ^ ::GetCurrentProcessId();; ++n) {
        std::string dir = IncludeTrailingBackslash(base) + std::string(prefix) + std::to_string(n);
        if (::CreateDirectoryA(dir.c_str(), nullptr)) return dir + "\\";
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            throw AppError(FileErrorText(FileOperation::CreateFolder, dir));
    }
}

} // namespace qv
