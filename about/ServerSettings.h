#pragma once
// The product's server and mail addresses, and every address that follows
// from them: the about page's links, the sponsor page and the update
// check's base address. Built-in defaults, overridable by an optional
// qv6.ini beside the program (section [Server], keys Host, Mail, BugMail),
// which the program only ever reads. Pure code; the file is read in
// ServerSettings_win.cpp.
#include <string>
#include <string_view>

namespace qv {

struct ServerSettings {
    std::string host;    // the web and update server, "www.quorvik.de"
    std::string mail;    // information address
    std::string bugMail; // bug reports
    bool operator==(const ServerSettings&) const = default;
};

// The built-in settings; the one place that names them.
ServerSettings DefaultServerSettings();

// The defaults with every given value that holds something in its place:
// an empty value (a key without text, or one that is missing) keeps the
// default. Leading and trailing blanks do not count.
ServerSettings ResolveServerSettings(std::string_view host, std::string_view mail,
                                     std::string_view bugMail);

// The settings file beside the program, its section and keys.
inline constexpr const char* kSettingsFileName = "qv6.ini";
inline constexpr const char* kServerSection = "Server";
inline constexpr const char* kHostKey = "Host";
inline constexpr const char* kMailKey = "Mail";
inline constexpr const char* kBugMailKey = "BugMail";

// Reads appDir + "qv6.ini" (appDir ends with a backslash); a missing file
// gives the defaults. Never writes the file.
ServerSettings LoadServerSettings(const std::string& appDir);

// The targets handed to the shell, and the update check's base address.
std::string WebsiteAddress(const ServerSettings& s);    // "http://" + host
std::string MailAddress(const ServerSettings& s);       // "mailto:" + mail
std::string BugMailAddress(const ServerSettings& s);    // "mailto:" + bug mail
std::string SponsorAddress(const ServerSettings& s);    // host's relocator page
std::string UpdateBaseAddress(const ServerSettings& s); // "http://" + host + "/"

// One link label of the about block: what it shows and what a click opens.
struct AboutLink {
    std::string caption;
    std::string target;
    bool operator==(const AboutLink&) const = default;
};
struct AboutLinks {
    AboutLink website, mail, bugMail, sponsor;
    // The banner at the top of the window opens the sponsor's target too;
    // its hint names the sponsor.
    std::string bannerHint;
    std::string bannerTarget;
};
AboutLinks BuildAboutLinks(const ServerSettings& s);

} // namespace qv
