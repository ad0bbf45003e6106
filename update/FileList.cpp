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

bool ParseNumber(std::string_view text, size_t digits, int& value) {
    if (text.size() != digits) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

std::optional<Version> ParseVersion(std::string_view text) {
    Version v{};
    size_t part = 0;
    size_t from = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '.') continue;
        std::string_view digits = text.substr(from, i - from);
        if (part == v.size() || digits.empty() || digits.size() > 5) return std::nullopt;
        uint32_t n = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
            n = n * 10 + static_cast<uint32_t>(c - '0');
        }
        if (n > 0xFFFF) return std::nullopt;
        v[part++] = static_cast<uint16_t>(n);
        from = i + 1;
    }
    return v;
}

std::string FormatVersion(const Version& v) {
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
           std::to_string(v[3]);
}

std::optional<int64_t> ParseUtcTime(std::string_view t) {
    // 2027-06-30T00:00:00Z
    if (t.size() != 20 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
        t[16] != ':' || t[19] != 'Z')
        return std::nullopt;
    int y, mo, d, h, mi, s;
    if (!ParseNumber(t.substr(0, 4), 4, y) || !ParseNumber(t.substr(5, 2), 2, mo) ||
        !ParseNumber(t.substr(8, 2), 2, d) || !ParseNumber(t.substr(11, 2), 2, h) ||
        !ParseNumber(t.substr(14, 2), 2, mi) || !ParseNumber(t.substr(17, 2), 2, s))
        return std::nullopt;
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] ||
        (mo == 2 && d == 29 && !leap) || h > 23 || mi > 59 || s > 59)
        return std::nullopt;
    return DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

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
            if (line == kFileListHeaderV1)
                return Refuse(1, "altes Format ohne Version und Ablaufdatum");
            if (line != kFileListHeader) return Refuse(1, "unbekanntes Format");
            continue;
        }
        if (lineNumber == 2) {
            auto v = line.starts_with("version ") ? ParseVersion(line.substr(8)) : std::nullopt;
            if (!v) return Refuse(2, "keine Version");
            list.versionText.assign(line.substr(8));
            list.version = *v;
            continue;
        }
        if (lineNumber == 3) {
            auto t = line.starts_with("expires ") ? ParseUtcTime(line.substr(8)) : std::nullopt;
            if (!t) return Refuse(3, "kein Ablaufdatum");
            list.expiresText.assign(line.substr(8));
            list.expires = *t;
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
    if (lineNumber < 3) return Refuse(lineNumber + 1, "Kopf unvollst\xE4ndig");
    if (list.entries.empty()) return Refuse(lineNumber, "keine Datei genannt");
    list.ok = true;
    return list;
}

std::string FormatFileList(std::string_view version, std::string_view expires,
                           const std::vector<FileListEntry>& entries) {
    std::string out(kFileListHeader);
    out += "\nversion ";
    out += version;
    out += "\nexpires ";
    out += expires;
    out.push_back('\n');
    for (const FileListEntry& e : entries)
        out += ToHex(e.sha256) + " " + std::to_string(e.size) + " " + e.name + "\n";
    return out;
}

} // namespace qv
