#include "process/ProcessInfo.h"

#include "base/LanguageLines.h"
#include "base/Text.h"
#include "process/ProcessPage.h"

namespace qv {

namespace {

std::string Hex4(uint32_t value) {
    return FormatHex8(value).substr(4);
}

std::vector<std::pair<std::string, std::string>> ReadKeys(VersionSource& source,
                                                          uint32_t translation) {
    std::vector<std::pair<std::string, std::string>> strings;
    const std::string prefix = VersionPrefix(translation);
    for (const char* key : kVersionKeys)
        if (auto value = source.QueryString(prefix + key)) strings.emplace_back(key, *value);
    return strings;
}

} // namespace

std::string VersionPrefix(uint32_t translation) {
    return "\\StringFileInfo\\" + Hex4(translation & 0xFFFF) + Hex4(translation >> 16) + "\\";
}

std::optional<VersionFacts> ReadVersionFacts(VersionSource& source) {
    VersionFacts facts;
    if (auto first = source.FirstTranslation()) {
        facts.translation = *first;
        facts.strings = ReadKeys(source, *first);
    } else {
        bool found = false;
        for (uint32_t candidate : kFallbackTranslations) {
            facts.strings = ReadKeys(source, candidate);
            if (!facts.strings.empty()) {
                facts.translation = candidate;
                found = true;
                break;
            }
        }
        if (!found) return std::nullopt;
    }
    facts.languageName = source.LanguageName(static_cast<uint16_t>(facts.translation & 0xFFFF));
    if (facts.languageName.size() > kLanguageNameChars)
        facts.languageName.resize(kLanguageNameChars);
    return facts;
}

LocalTime ToTwoSecondResolution(LocalTime t) {
    t.second = static_cast<uint16_t>(t.second & ~1u);
    t.milliseconds = 0;
    return t;
}

bool IsMidnight(const LocalTime& t) {
    return t.hour == 0 && t.minute == 0 && t.second == 0 && t.milliseconds == 0;
}

std::string JoinDateAndTime(std::string_view date, std::string_view time, bool midnight) {
    std::string text(date);
    if (!midnight) {
        text += ' ';
        text += time;
    }
    return text;
}

std::vector<InfoRow> BuildFileInfoRows(const FileFacts& facts, const LineSource& line) {
    std::vector<InfoRow> rows;
    rows.push_back({line(Lng::InfoDirectory), ExtractFilePath(facts.path)});
    rows.push_back({line(Lng::InfoFileName), ExtractFileName(facts.path)});
    rows.push_back({line(Lng::InfoSize), std::to_string(facts.size) + " bytes"});
    rows.push_back({line(Lng::InfoDate), facts.lastWrite});
    rows.push_back({});
    if (facts.version) {
        rows.push_back({line(Lng::InfoLanguage), facts.version->languageName});
        for (const auto& [key, value] : facts.version->strings)
            rows.push_back({key + ":", value});
    } else {
        rows.push_back({"", line(Lng::InfoNoVersion)});
    }
    rows.push_back({});
    const std::pair<uint32_t, Lng> attributes[] = {{kAttrArchive, Lng::InfoArchive},
                                                   {kAttrHidden, Lng::InfoHidden},
                                                   {kAttrReadOnly, Lng::InfoReadOnly},
                                                   {kAttrSystem, Lng::InfoSystem}};
    for (const auto& [bit, caption] : attributes)
        if (facts.attributes & bit) rows.push_back({line(caption), line(Lng::InfoAttributeSet)});
    return rows;
}

std::vector<InfoRow> BuildProcessInfoRows(const ProcessEntry& entry, const LineSource& line) {
    return {
        {line(Lng::InfoUsage), std::to_string(entry.cntUsage)},
        {line(Lng::InfoProcessId), FormatHex8(entry.th32ProcessID)},
        {line(Lng::InfoParentId), FormatHex8(entry.th32ParentProcessID)},
        {line(Lng::InfoModuleId), FormatHex8(entry.th32ModuleID)},
        {line(Lng::InfoThreads), std::to_string(entry.cntThreads)},
        {line(Lng::InfoBasePriority), std::to_string(entry.pcPriClassBase)},
    };
}

} // namespace qv
