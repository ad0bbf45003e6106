#pragma once
#include "autostart/AutostartEntry.h"
#include "autostart/StartupApproved.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

class AppModel;
class ScanPlatform;

// What the scan knows of an entry beyond its record.
struct EntryOrigin {
    // Where Windows keeps the entry's on/off switch, if its source has one.
    ApprovalRef approval;
    // The file whose CRC-32 the record keeps (a link's target for a link);
    // empty when there is none.
    std::string checkedFile;
};

// Replaces the model's ASEntries by the autostart points found now, in a fixed order: the
// ten sources of old, then the machine's run keys of the 32-bit registry view
// (Software\WOW6432Node, group 0), the policy run keys of the user and the
// machine (group 0) and the 32-bit view's Active Setup stub paths (group 2),
// then the groups from 9 on in group order. Reads only. Never stops half-way
// because of what it finds: missing or unreadable keys, files and folders and
// values that are not text are skipped. explorerCaption is the caption of a
// stray c:\explorer.exe (the language line Lng::ExplorerCaption), defaultMark
// the text behind the caption of what Windows itself puts there
// (Lng::WindowsDefaultMark). First sets the model's WindowsDir and
// SystemDir. Tells no subscriber: the caller does once its change is whole.
void ScanAutostarts(AppModel& model, std::string_view explorerCaption,
                    std::string_view defaultMark = {});

// The same scan against the given system. origins, when given, is replaced by
// one element per element of ASEntries.
void ScanAutostartsWith(AppModel& model, ScanPlatform& platform, std::string_view explorerCaption,
                        std::vector<EntryOrigin>* origins = nullptr,
                        std::string_view defaultMark = {});

// Only the run keys (group 0: both registry views and the policy keys), the
// startup folders (group 5) and the new groups the guard watches
// (GuardWatchesGroup), filled exactly as the full scan fills them, into a
// list of their own: the places the guard program watches.
std::vector<AutostartEntry> ScanWatchedSources(ScanPlatform& platform);

} // namespace qv
