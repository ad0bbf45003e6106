#pragma once
// The surveillance list of the process page: a user-kept list of executable
// files, shown sorted as the platform's sorted list box sorts, with tick
// marks that only select entries for removal, and its file procsurv.dat.
// Pure code: the system's text comparison comes in as a SurveillanceCollation.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr const char* kSurveillanceFileName = "procsurv.dat";

// The file dialog of the add button.
inline constexpr const char* kSurveillanceDialogTitle = "Datei(en) angeben, die \xFC"
                                                        "berwacht werden sollen";
inline constexpr const char* kSurveillanceDialogFilter =
    "Anwendungen (*.EXE)|*.exe|Alle Dateien (*.*)|*.*";
inline constexpr const char* kSurveillanceDialogDefaultExt = "exe";

// How texts compare. sortKey gives a byte string whose order (as unsigned
// bytes) is the sorted list box's order of the texts, equal keys for texts
// the list box takes as equal. foldKey gives equal results exactly for texts
// that are equal without regard to case: the duplicate rule of the add
// actions.
struct SurveillanceCollation {
    std::function<std::string(std::string_view)> sortKey;
    std::function<std::string(std::string_view)> foldKey;
};
// ASCII letters folded, every other byte compared as it is: for tests and
// native builds.
SurveillanceCollation AsciiCollation();
// The system's: the user's locale without regard to case, as a sorted
// LISTBOX compares (CompareString with NORM_IGNORECASE, through its sort
// keys), and the system's upper-case mapping for the duplicate rule.
SurveillanceCollation SystemCollation();

// The lines of the file. CR LF, CR and LF each end a line, a last line
// without an ending counts, an empty line is an empty entry. A NUL ends its
// line's text (the list box holds NUL-terminated texts); the lines after it
// are read as usual.
std::vector<std::string> DecodeSurveillanceFile(std::string_view bytes);
// Every entry followed by CR LF, in the given order; no entries, no bytes.
std::string EncodeSurveillanceFile(const std::vector<std::string>& entries);

// The order a sorted list box shows after the texts with these sort keys
// were added one after another: each text goes where a binary search over
// the list finds its place, in front of an equal text if the search meets
// one. Texts that compare equal (case variants, say) therefore end up in an
// order that depends on what was added before, not in their file order.
// Returns the indexes of keys in displayed order. Fast for any count.
std::vector<size_t> ListBoxInsertionOrder(const std::vector<std::string>& keys);

class SurveillanceList {
  public:
    explicit SurveillanceList(SurveillanceCollation collation = AsciiCollation());

    // Replaces all entries, as reading the file does: each line added in
    // turn, sorted as the list box sorts, no duplicates removed, every tick
    // cleared.
    void Assign(const std::vector<std::string>& lines);
    void Clear() { Assign({}); }

    size_t Count() const { return entries_.size(); }
    const std::vector<std::string>& Entries() const { return entries_; }
    const std::string& operator[](size_t i) const { return entries_[i]; }

    bool Ticked(size_t i) const { return i < ticked_.size() && ticked_[i]; }
    void SetTicked(size_t i, bool ticked);
    // "Alle wählen": every entry's tick set to the box's state. Ticks are no
    // content: nothing to save.
    void TickAll(bool ticked);

    // Index of the first entry equal to the text without regard to case, or -1.
    ptrdiff_t Find(std::string_view text) const;

    // Each returns true when the list changed, and only then must the
    // caller save it.
    //
    // A row dragged from the process list: its caption upper-cased (a-z
    // only), added unless present.
    bool AddDropped(std::string_view caption);
    // Files chosen in the dialog, in its order: each full path as given,
    // added unless present (files added just before count as present).
    bool AddFiles(const std::vector<std::string>& files);
    // Deletes the ticked entries, from the last to the first.
    bool RemoveTicked();

    // Set when the file existed but could not be read: the list then holds
    // none of its lines, and saving it would destroy them.
    bool LoadFailed() const { return loadFailed_; }
    void SetLoadFailed(bool failed) { loadFailed_ = failed; }

  private:
    void Insert(std::string text);

    SurveillanceCollation collation_;
    std::vector<std::string> entries_;
    std::vector<std::string> keys_;  // sort key of each entry
    std::vector<std::string> folds_; // fold key of each entry
    std::vector<char> ticked_;
    bool loadFailed_ = false;
};

} // namespace qv
