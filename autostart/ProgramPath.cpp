#include "autostart/ProgramPath.h"

#include "base/Text.h"

#include <array>

namespace qv {

namespace {

// More blanks than this in a command line are arguments, not a path: a
// planted 32 KiB value must not turn into thousands of file look-ups.
constexpr size_t kMaxCandidates = 32;
constexpr size_t kMaxPathText = 1024;

constexpr std::array<std::string_view, 8> kProgramExtensions{".EXE", ".SYS", ".DLL", ".COM",
                                                             ".BAT", ".CMD", ".SCR", ".CPL"};

bool StartsWithText(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameTextAscii(s.substr(0, prefix.size()), prefix);
}

bool HasDrive(std::string_view s) {
    return s.size() >= 2 && s[1] == ':';
}

// The kernel's and the boot loader's spellings as a Win32 path.
std::string Normalize(std::string_view path, const PathContext& ctx) {
    if (StartsWithText(path, "\\??\\") || StartsWithText(path, "\\\\?\\")) path.remove_prefix(4);
    if (StartsWithText(path, "\\SystemRoot\\"))
        return ctx.windowsDir + std::string(path.substr(12));
    if (StartsWithText(path, "SystemRoot\\")) return ctx.windowsDir + std::string(path.substr(11));
    if (HasDrive(path) || path.starts_with("\\\\")) return std::string(path);
    if (path.starts_with("\\")) return ctx.windowsDir.substr(0, 2) + std::string(path);
    if (path.find('\\') != std::string_view::npos) return ctx.windowsDir + std::string(path);
    return path.empty() ? std::string() : ctx.systemDir + std::string(path);
}

bool HasProgramExtension(std::string_view path) {
    const std::string ext = UpperAscii(ExtractFileExt(path));
    for (auto e : kProgramExtensions)
        if (ext == e) return true;
    return false;
}

// The file itself, or the file with ".exe" added when the name has none.
std::string Existing(const std::string& path, const PathContext& ctx) {
    if (path.empty()) return {};
    if (ctx.fileExists(path)) return path;
    if (ExtractFileExt(path).empty() && ctx.fileExists(path + ".exe")) return path + ".exe";
    return {};
}

std::string Expanded(std::string_view text, const PathContext& ctx) {
    return TrimBlanks(ctx.expand ? ctx.expand(text) : std::string(text));
}

} // namespace

std::string ResolveCommandLineFile(std::string_view commandLine, const PathContext& ctx) {
    const std::string text = Expanded(commandLine, ctx);
    const std::string_view t = std::string_view(text).substr(0, kMaxPathText);
    if (t.empty()) return {};
    if (t[0] == '"') {
        const size_t close = t.find('"', 1);
        const std::string path =
            Normalize(t.substr(1, close == std::string_view::npos ? t.npos : close - 1), ctx);
        const std::string found = Existing(path, ctx);
        return found.empty() ? path : found;
    }
    std::string fallback;
    size_t cut = 0;
    for (size_t n = 0; n < kMaxCandidates && cut != std::string_view::npos; ++n) {
        cut = t.find(' ', cut + (n == 0 ? 0 : 1));
        const std::string path = Normalize(t.substr(0, cut), ctx);
        const std::string found = Existing(path, ctx);
        if (!found.empty()) return found;
        if (fallback.empty() && HasProgramExtension(path)) fallback = path;
    }
    if (!fallback.empty()) return fallback;
    return Normalize(t.substr(0, t.find(' ')), ctx);
}

std::string ResolveProgramFile(std::string_view program, const PathContext& ctx) {
    std::string text = Expanded(program, ctx);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    if (text.empty()) return {};
    if (text.find('\\') == std::string::npos && !HasDrive(text)) {
        for (const std::string* dir : {&ctx.systemDir, &ctx.windowsDir}) {
            const std::string found = Existing(*dir + text, ctx);
            if (!found.empty()) return found;
        }
    }
    const std::string path = Normalize(text, ctx);
    const std::string found = Existing(path, ctx);
    return found.empty() ? path : found;
}

} // namespace qv
