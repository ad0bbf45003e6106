#include "update/FileList.h"

#include "base/Text.h"

#include <set>

namespace qv {

namespace {

std::vector<std::string_view> Parts(std::string_view name) {
    std::vector<std::string_view> parts;
    size_t from = 0;
    for (size_t i = 0; i <= name.size(); ++i)
        if (i == name.size() || name[i] == '/' || name[i] == '\\') {
            parts.push_back(name.substr(from, i - from));
            from = i + 1;
        }
    return parts;
}

bool IsDeviceName(std::string_view part) {
    // CON, PRN, AUX, NUL, COM1-9 and LPT1-9 open devices, with any extension.
    std::string stem = UpperAscii(part.substr(0, part.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

FileList Refuse(size_t lineNumber, const std::string& what) {
    FileList list;
    list.error =
        "Die Dateiliste ist ung\xFCltig (Zeile " + std::to_string(lineNumber) + "): " + what;
    return list;
}

bool ParseSize(std::string_view text, uint64_t& size) {
    if (text.empty() || text.size() > 12 || (text.size() > 1 && text[0] == '0')) return false;
    size = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        size = size * 10 + static_cast<uint64_t>(c - '0');
    }
    return size <= kMaxUpdateFileSize;
}

} // namespace

bool IsSafeRelativeName(std::string_view name) {
    if (name.empty() || name.size() > kMaxUpdateNameLength) return false;
    if (name.find("..") != std::string_view::npos) return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return false;
        if (std::string_view(":*?\"<>|").find(c) != std::string_view::npos) return false;
    }
    for (std::string_view part : Parts(name)) {
        // An empty part is a leading, doubled or trailing separator.
        if (part.empty()) return false;
        if (part.back() == '.' || part.back() == ' ' || part.front() == ' ') return false;
        if (IsDeviceName(part)) return false;
    }
    return true;
}

std::string LocalName(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

std::string UrlName(std::string_view name) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\') {
            out.push_back('/');
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                   c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(digits[u >> 4]);
            out.push_back(digits[u & 15]);
        }
    }
    return out;
}

FileList ParseFileList(std::string_view bytes) {
    if (bytes.size() > kMaxFileListBytes) return Refuse(0, "zu gro\xDF");
    FileList list;
    std::set<std::string> seen;
    size_t lineNumber = 0;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t lf = bytes.find('\n', pos);
        if (lf == std::string_view::npos) return Refuse(lineNumber + 1, "letzte Zeile ohne Ende");
        std::string_view line = bytes.substr(pos, lf - pos);
        pos = lf + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (lineNumber == 1) {
            if (line != kFileListHeader) return Refuse(1, "unbekanntes Format");
            continue;
        }
        // <sha256> <size> <name>
        if (line.size() < 64 + 1 + 1 + 1 || line[64] != ' ')
            return Refuse(lineNumber, "Zeile ohne Pr\xFC"
                                      "fsumme");
        auto digest = ParseSha256Hex(line.substr(0, 64));
        if (!digest)
            return Refuse(lineNumber, "Pr\xFC"
                                      "fsumme unlesbar");
        std::string_view rest = line.substr(65);
        size_t blank = rest.find(' ');
        if (blank == std::string_view::npos) return Refuse(lineNumber, "Zeile ohne Namen");
        FileListEntry entry;
        if (!ParseSize(rest.substr(0, blank), entry.size))
            return Refuse(lineNumber, "Gr\xF6\xDF"
                                      "e unlesbar");
        std::string_view name = rest.substr(blank + 1);
        if (!IsSafeRelativeName(name)) return Refuse(lineNumber, "unzul\xE4ssiger Name");
        if (!seen.insert(UpperAscii(LocalName(name))).second)
            return Refuse(lineNumber, "Datei doppelt genannt");
        entry.name.assign(name);
        entry.sha256 = *digest;
        list.entries.push_back(std::move(entry));
        if (list.entries.size() > kMaxFileListEntries)
            return Refuse(lineNumber, "zu viele Dateien");
    }
    if (lineNumber == 0) return Refuse(1, "leer");
    if (list.entries.empty()) return Refuse(lineNumber, "keine Datei genannt");
    list.ok = true;
    return list;
}

std::string FormatFileList(const std::vector<FileListEntry>& entries) {
    std::string out(kFileListHeader);
    out.push_back('\n');
    for (const FileListEntry& e : entries)
        out += ToHex(e.sha256) + " " + std::to_string(e.size) + " " + e.name + "\n";
    return out;
}

} // namespace qv
