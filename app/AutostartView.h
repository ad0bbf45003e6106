#pragma once
// What the main window shows of the entries, decided without any window: the
// rows of the autostart list for a group, which entry buttons a selected row
// allows, the names of registry root keys and the widths and positions that
// follow a change of the window's size. The form only copies these onto its
// controls. Pure code, no Windows headers.
#include "autostart/AutostartEntry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Image indexes of the marks in front of each row.
constexpr int kImageUnknown = 0;
constexpr int kImageKnown = 1;

// One row of the autostart list.
struct ASListRow {
    uint16_t index;              // element of ASEntries
    const AutostartEntry* entry; // its Caption and Detail are the two columns
    bool checked;                // Active != 0
    int image;                   // kImageKnown or kImageUnknown
};

// Decides whether an entry is in the known-entries database.
using KnownPredicate = std::function<bool(const AutostartEntry&)>;

// The rows of a group in ASEntries order; a group outside 0..8 (no combo
// item selected) gives none. isKnown runs once per row.
std::vector<ASListRow> BuildASListRows(const std::vector<AutostartEntry>& entries, int group,
                                       const KnownPredicate& isKnown);

// Which of the three entry buttons a selected row allows.
struct EntryButtons {
    bool del = false;
    bool edit = false;
    bool editor = false;
    bool operator==(const EntryButtons&) const = default;
};
// A deactivated entry can be neither edited, deleted nor opened in the
// editor; shell open commands (group 1) cannot be deleted; files cannot be
// edited; only ini lines and boot files (groups 6 and 7) open in the editor.
// Write protection disables all three.
EntryButtons EntryButtonState(const AutostartEntry& e, bool writeProtect);

// The sizes FormResize reads and the positions it sets.
struct ResizeInput {
    int adTopClientWidth = 0, adImgWidth = 0;
    int selectBoxClientWidth = 0;
    int asListClientWidth = 0, asListColumns = 2;
    int procBoxClientWidth = 0;
    int bottomClientWidth = 0, guardBtnWidth = 0, guardLblWidth = 0;
    int tabClientWidth = 0, helpBtnWidth = 0;
    // What the combo box leaves of its box and the process column of its
    // list, in pixels at the window's setting.
    int comboMargin = 8, procColumnMargin = 20;
};
struct ResizeOutput {
    int adImgLeft = 0;
    int comboWidth = 0;
    int asColumnWidth = 0;
    int procColumnWidth = 0;
    int guardBtnLeft = 0, guardLblLeft = 0;
    int helpBtnLeft = 0;
};
// Keeps the top image centred, the list columns equal and the guard button,
// its label and the help button flush right.
ResizeOutput ComputeResize(const ResizeInput& in);

} // namespace qv
