#include "autostart/StartupApproved.h"

#include "autostart/ScanPlatform.h"
#include "base/Text.h"

#include <unordered_map>

namespace qv {

std::string_view ApprovalText(Approval a) {
    switch (a) {
    case Approval::Enabled:
        return "enabled";
    case Approval::Disabled:
        return "disabled";
    case Approval::None:
        break;
    }
    return {};
}

Approval DecodeStartupApproved(uint32_t type, std::string_view bytes) {
    if (type != kRegBinary || bytes.empty()) return Approval::None;
    return (static_cast<uint8_t>(bytes.front()) & 1) ? Approval::Disabled : Approval::Enabled;
}

std::string_view ApprovalKeyPath(ApprovalList list) {
    switch (list) {
    case ApprovalList::Run:
        return "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
    case ApprovalList::Run32:
        return "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";
    case ApprovalList::StartupFolder:
        return "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\"
               "StartupFolder";
    case ApprovalList::None:
        break;
    }
    return {};
}

std::vector<Approval> ResolveApprovals(RegistryReader& reg, const std::vector<ApprovalRef>& refs) {
    constexpr RegRoot kRoots[] = {RegRoot::ClassesRoot, RegRoot::CurrentUser,
                                  RegRoot::LocalMachine};
    constexpr ApprovalList kLists[] = {ApprovalList::Run, ApprovalList::Run32,
                                       ApprovalList::StartupFolder};
    std::vector<Approval> out(refs.size(), Approval::None);
    for (RegRoot root : kRoots) {
        for (ApprovalList list : kLists) {
            bool wanted = false;
            for (const ApprovalRef& r : refs)
                if (r.list == list && r.root == root) {
                    wanted = true;
                    break;
                }
            if (!wanted || !reg.OpenKey(root, ApprovalKeyPath(list))) continue;
            // One pass over the list; the entries then look their names up.
            std::unordered_map<std::string, Approval> states;
            reg.ForEachRawValue([&](std::string_view name, uint32_t type, std::string_view bytes) {
                states.emplace(UpperAscii(name), DecodeStartupApproved(type, bytes));
            });
            reg.CloseKey();
            if (states.empty()) continue;
            for (size_t i = 0; i < refs.size(); ++i) {
                if (refs[i].list != list || refs[i].root != root) continue;
                auto it = states.find(UpperAscii(refs[i].name));
                if (it != states.end()) out[i] = it->second;
            }
        }
    }
    return out;
}

} // namespace qv
