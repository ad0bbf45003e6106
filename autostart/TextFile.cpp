#include "autostart/TextFile.h"

#include "base/FileErrors.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Text.h"

#include <windows.h>

namespace qv {

std::vector<std::string> LoadTextLines(const std::string& path) {
    return SplitLines(ReadFileBytesOrThrow(path));
}

std::string JoinTextLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

void SaveTextLines(const std::string& path, const std::vector<std::string>& lines) {
    const uint32_t attributes = GetAttributes(path);
    // The attributes are not cleared for saving: a write-protected file stays
    // write-protected.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw AppError(FileErrorText(FileOperation::Create, path));
    WriteFileAtomic(path, JoinTextLines(lines));
    if (attributes != INVALID_FILE_ATTRIBUTES) SetAttributes(path, attributes);
}

} // namespace qv
