#include "process/GuardLook.h"

#include "model/AppModel.h"

namespace qv {

GuardLook LookAtWatchedSources(AppModel& model, AutostartWatch& watch) {
    GuardLook look;
    std::vector<AutostartEntry> current = ReadWatchedEntries();
    // What is parked again is gone from its source: it is neither announced
    // nor remembered as seen, so that its next return counts again.
    look.parked = ParkReturnedEntries(model, current, true);
    look.fresh = watch.Update(std::move(current), model.ASEntryDB);
    return look;
}

std::string ReParkNotice(const ReParked& parked, const LanguageFile& lines) {
    const AutostartEntry& e = parked.entry;
    std::string text = lines.Format(
        Lng::StickyReParked,
        {std::to_string(parked.returns), DescribeEntry(e, lines[GroupName(GroupOfByte(e.Group))])});
    if (parked.bothKept) text += " " + lines[Lng::StickyBothKept];
    return text;
}

} // namespace qv
