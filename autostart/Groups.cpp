#include "autostart/Groups.h"

#include <array>

namespace qv {

namespace {

struct GroupRule {
    std::string_view category;
    std::optional<Lng> readOnly;
    bool watched;
};

// In group order; the static_assert keeps it as long as the groups.
constexpr std::array<GroupRule, kGroupCount> kGroups{{
    {"run keys", std::nullopt, true},
    {"shell open commands", std::nullopt, false},
    {"active setup", std::nullopt, false},
    {"static vxds", std::nullopt, false},
    {"icq agent applications", std::nullopt, false},
    {"startup folders", std::nullopt, true},
    {"ini file lines", std::nullopt, false},
    {"boot and batch files", std::nullopt, false},
    {"explorer in the root folder", std::nullopt, false},
    {"scheduled tasks", std::nullopt, true},
    {"services", std::nullopt, true},
    // A boot or system start driver switched off can keep the machine from
    // starting at all.
    {"drivers", Lng::DriverReadOnly, true},
    // An emptied Userinit locks every user out; a wrong Shell leaves an
    // empty desktop.
    {"winlogon", Lng::WinlogonReadOnly, true},
    {"image hijacks", std::nullopt, true},
    {"appinit dlls", std::nullopt, true},
    // Without one of Windows' own packages nobody can log on.
    {"lsa packages", Lng::LsaReadOnly, true},
    {"print monitors", Lng::GroupReadOnly, true},
    {"store apps", Lng::GroupReadOnly, true},
}};
static_assert(kGroups.size() == static_cast<size_t>(kGroupCount));

} // namespace

std::string_view GroupCategory(int group) {
    if (group < 0 || group >= kGroupCount) return {};
    return kGroups[static_cast<size_t>(group)].category;
}

std::optional<Lng> ReadOnlyLine(uint8_t group) {
    if (group >= kGroupCount) return std::nullopt;
    return kGroups[group].readOnly;
}

std::optional<Lng> EditRefusalLine(uint8_t group) {
    if (group == GroupByte(AutostartGroup::AppInitDlls)) return Lng::ListItemNotEditable;
    // Their definitions belong to the scheduler and the Service Control
    // Manager; deleting "the file" would delete the program itself.
    if (group == GroupByte(AutostartGroup::ScheduledTasks) ||
        group == GroupByte(AutostartGroup::Services))
        return Lng::SystemEntryNotEditable;
    return ReadOnlyLine(group);
}

bool GuardWatchesGroup(AutostartGroup group) {
    const auto g = static_cast<size_t>(GroupByte(group));
    return g < kGroups.size() && kGroups[g].watched;
}

} // namespace qv
