#include "about/ServerSettings.h"

#include "base/Text.h"

namespace qv {

namespace {

// The sponsor the about block and the banner name. Both links lead to the
// product's own server, which forwards to the sponsor.
constexpr const char* kSponsorShown = "www.quorvik-partner.de";
constexpr const char* kSponsorHint = "Unser Sponsor: Quorvik Partner";

std::string OrDefault(std::string_view value, const std::string& fallback) {
    std::string v = TrimBlanks(value);
    return v.empty() ? fallback : v;
}

} // namespace

ServerSettings DefaultServerSettings() {
    return {"www.quorvik.de", "info@quorvik.de", "bugs@quorvik.de"};
}

ServerSettings ResolveServerSettings(std::string_view host, std::string_view mail,
                                     std::string_view bugMail) {
    ServerSettings d = DefaultServerSettings();
    return {OrDefault(host, d.host), OrDefault(mail, d.mail), OrDefault(bugMail, d.bugMail)};
}

std::string WebsiteAddress(const ServerSettings& s) {
    return "http://" + s.host;
}

std::string MailAddress(const ServerSettings& s) {
    return "mailto:" + s.mail;
}

std::string BugMailAddress(const ServerSettings& s) {
    return "mailto:" + s.bugMail;
}

std::string SponsorAddress(const ServerSettings& s) {
    return "http://" + s.host + "/relocator.php?source=QV6";
}

std::string UpdateBaseAddress(const ServerSettings& s) {
    return "http://" + s.host + "/";
}

AboutLinks BuildAboutLinks(const ServerSettings& s) {
    AboutLinks l;
    l.website = {s.host, WebsiteAddress(s)};
    l.mail = {s.mail, MailAddress(s)};
    l.bugMail = {s.bugMail, BugMailAddress(s)};
    l.sponsor = {kSponsorShown, SponsorAddress(s)};
    l.bannerHint = kSponsorHint;
    l.bannerTarget = SponsorAddress(s);
    return l;
}

} // namespace qv
