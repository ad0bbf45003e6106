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

bool IsBareName(std::string_view path) {
    return path.find_first_of("\\/:") == std::string_view::npos;
}

// The kernel's and the boot loader's spellings as a Win32 path; a bare name
// as the system folder's file.
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

// The file itself, or with the default extension when the name has none.
std::string ExistingAt(const std::string& path, const PathContext& ctx, std::string_view ext) {
    if (ctx.fileExists(path)) return path;
    if (ExtractFileExt(path).empty() && ctx.fileExists(path + std::string(ext)))
        return path + std::string(ext);
    return {};
}

// The existing file the path names: a bare name in the system and then the
// Windows folder, as the loader searches them; empty when there is none.
std::string Existing(std::string_view path, const PathContext& ctx, std::string_view ext) {
    if (path.empty()) return {};
    if (!IsBareName(path)) return ExistingAt(Normalize(path, ctx), ctx, ext);
    for (const std::string* dir : {&ctx.systemDir, &ctx.windowsDir})
        if (std::string found = ExistingAt(*dir + std::string(path), ctx, ext); !found.empty())
            return found;
    return {};
}

std::string Expanded(std::string_view text, const PathContext& ctx) {
    return TrimBlanks(ctx.expand ? ctx.expand(text) : std::string(text));
}

std::string Resolved(std::string_view path, const PathContext& ctx, std::string_view ext) {
    std::string found = Existing(path, ctx, ext);
    return found.empty() ? Normalize(path, ctx) : found;
}

} // namespace

std::string ResolveCommandLineFile(std::string_view commandLine, const PathContext& ctx,
                                   std::string_view defaultExt) {
    // The program lies at the front: only that much is expanded, so a
    // planted 32 KiB value never reaches the system's expansion whole.
    const std::string text = Expanded(commandLine.substr(0, kMaxPathText), ctx);
    const std::string_view t = std::string_view(text).substr(0, kMaxPathText);
    if (t.empty()) return {};
    if (t[0] == '"') {
        const size_t close = t.find('"', 1);
        return Resolved(t.substr(1, close == std::string_view::npos ? t.npos : close - 1), ctx,
                        defaultExt);
    }
    std::string fallback;
    size_t cut = 0;
    for (size_t n = 0; n < kMaxCandidates && cut != std::string_view::npos; ++n) {
        cut = t.find(' ', cut + (n == 0 ? 0 : 1));
        const std::string_view part = t.substr(0, cut);
        const std::string found = Existing(part, ctx, defaultExt);
        if (!found.empty()) return found;
        if (fallback.empty() && HasProgramExtension(part)) fallback = Normalize(part, ctx);
    }
    if (!fallback.empty()) return fallback;
    return Normalize(t.substr(0, t.find(' ')), ctx);
}

std::string ResolveProgramFile(std::string_view program, const PathContext& ctx,
                               std::string_view defaultExt) {
    std::string text = Expanded(program.substr(0, kMaxPathText), ctx);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    if (text.empty()) return {};
    return Resolved(text, ctx, defaultExt);
}

} // namespace qv
