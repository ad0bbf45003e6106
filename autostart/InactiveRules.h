#pragma once
// The pure rules of deactivation: the isf.dat line codec, the drawing of a
// stored name, the decision what a changed check mark means, and the parsing
// of the root key text. No Windows headers.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// One line of isf.dat: stored name, former full path, attributes as decimal
// text. Fields that a damaged line lacks are empty.
struct IsfLine {
    std::string stored;
    std::string former;
    std::string attributes;
};

// stored + '|"' + former + '"|' + attributes, with no line end.
std::string FormatIsfLine(std::string_view stored, std::string_view former, uint32_t attributes);
// Splits a line at '|' the way a delimited string list does: a field that
// begins with a double quote runs to the closing quote (a doubled quote inside
// stands for one) and loses its quotes; an unquoted field ends at the
// delimiter or at a blank.
std::vector<std::string> SplitIsfFields(std::string_view line);
IsfLine ParseIsfLine(std::string_view line);
// "file" followed by 0..9999 in decimal without leading zeros.
bool IsStoredName(std::string_view name);
// Index of the first line whose former path equals path byte for byte. A line
// whose stored name is not a stored name never matches: a damaged or planted
// line must not make the program replace or delete files outside the folder
// of kept files.
std::optional<size_t> FindIsfLine(const std::vector<std::string>& lines, std::string_view path);
// The file's text: every line ended by CR LF.
std::string JoinIsfLines(const std::vector<std::string>& lines);
// The attribute bits of field 2, if it is a plain unsigned decimal number.
std::optional<uint32_t> ParseAttributeText(std::string_view text);

// What a save of aseinactive.dat writes while another program (the guard
// parking a returned entry again) may have changed the file since this one
// last read or wrote it. base: the records as this program last had the file;
// disk: the file now; ours: what this program would write. The result is
// ours without the records the other removed (in base, no longer on disk),
// followed by the records the other added (on disk, not in base, unless ours
// added the same one), each byte for byte as its side holds it. Records are
// compared without their Active byte; a fragment behind the last whole
// record counts for nothing. With disk equal to base, the result is ours.
std::string MergeInactiveRecords(std::string_view base, std::string_view disk,
                                 std::string_view ours);

// Draws "file0".."file9999" at random until one is not taken. When chance
// keeps hitting taken names, the free ones are searched in order; nothing is
// returned only when all 10,000 are taken.
std::optional<std::string> DrawStoredName(const std::function<bool(const std::string&)>& taken,
                                          const std::function<uint32_t(uint32_t)>& randomBelow);

// What a row's check mark, as the click left it, asks of its entry.
enum class CheckMarkAction {
    None,            // the mark equals Active: nothing changes
    RefuseShellOpen, // a shell open command: tick again, line 30
    RefuseReadOnly,  // a group that is only shown: set back, its ReadOnlyLine
    Apply            // change the entry's state to the mark
};
CheckMarkAction DecideCheckMark(uint8_t group, uint8_t active, bool checked);

// The kept copy of a registry value that a deactivation took away, for the
// groups whose values must come back byte for byte: where it lived, its type
// and its bytes. Encoded as a small file of its own.
struct KeptValue {
    std::string rootKey, keyPath, valueName;
    uint32_t type = 0;
    std::string bytes;
    bool operator==(const KeptValue&) const = default;
};
std::string EncodeKeptValue(const KeptValue& value);
// Nothing for bytes that are not a kept value.
std::optional<KeptValue> DecodeKeptValue(std::string_view bytes);
// The file name of the kept copy for a value's place: the same place always
// gives the same name, different places (by their bytes) different ones.
std::string KeptValueFileName(std::string_view rootKey, std::string_view keyPath,
                              std::string_view valueName);

} // namespace qv
