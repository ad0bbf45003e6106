#include "autostart/StickyFile.h"

#include "base/Errors.h"
#include "base/Files.h"

namespace qv {

std::string StickyPath(const std::string& appDir) {
    return appDir + kStickyFile;
}

StickyState LoadStickyList(const std::string& appDir) {
    StickyState state;
    const std::string path = StickyPath(appDir);
    if (!FileExists(path)) return state;
    auto bytes = ReadFileBytes(path);
    auto items = bytes ? ParseStickyList(*bytes) : std::nullopt;
    if (!items) {
        state.refused = true;
        return state;
    }
    state.list = StickyList(std::move(*items));
    return state;
}

void SaveStickyList(const std::string& appDir, const StickyState& state) {
    if (state.refused)
        throw AppError("Datei " + StickyPath(appDir) +
                       " ist besch\xE4"
                       "digt oder fremd und wird nicht \xFC"
                       "berschrieben");
    WriteFileAtomic(StickyPath(appDir), FormatStickyList(state.list.Items()));
}

} // namespace qv
