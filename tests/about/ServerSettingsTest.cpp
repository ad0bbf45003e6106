// The server settings: built-in defaults, qv6.ini beside the program read
// through the real profile API, and the addresses that follow.
#include "about/ServerSettings.h"

#include "base/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

const ServerSettings kDefaults = {"www.quorvik.de", "info@quorvik.de", "bugs@quorvik.de"};

TEST(ServerSettings, DefaultsAndTheAddressesThatFollow) {
    EXPECT_EQ(DefaultServerSettings(), kDefaults);
    EXPECT_EQ(WebsiteAddress(kDefaults), "http://www.quorvik.de");
    EXPECT_EQ(MailAddress(kDefaults), "mailto:info@quorvik.de");
    EXPECT_EQ(BugMailAddress(kDefaults), "mailto:bugs@quorvik.de");
    EXPECT_EQ(SponsorAddress(kDefaults), "http://www.quorvik.de/relocator.php?source=QV6");
    EXPECT_EQ(UpdateBaseAddress(kDefaults), "http://www.quorvik.de/");

    const ServerSettings own = {"example.org:8080", "a@example.org", "b@example.org"};
    const AboutLinks links = BuildAboutLinks(own);
    EXPECT_EQ(links.website, (AboutLink{"example.org:8080", "http://example.org:8080"}));
    EXPECT_EQ(links.mail, (AboutLink{"a@example.org", "mailto:a@example.org"}));
    EXPECT_EQ(links.bugMail, (AboutLink{"b@example.org", "mailto:b@example.org"}));
    EXPECT_EQ(links.sponsor.target, "http://example.org:8080/relocator.php?source=QV6");
    EXPECT_EQ(links.bannerTarget, links.sponsor.target); // label and banner open the same page
    EXPECT_FALSE(links.sponsor.caption.empty());
    EXPECT_FALSE(links.bannerHint.empty());
    EXPECT_EQ(UpdateBaseAddress(own), "http://example.org:8080/");
}

class SettingsFile : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string ini = dir / "qv6.ini";
};

TEST_F(SettingsFile, MissingFileOrSectionGivesTheDefaults) {
    EXPECT_EQ(LoadServerSettings(dir.Path()), kDefaults);
    EXPECT_FALSE(FileExists(ini)); // only ever read
    test::WriteBytes(ini, "[Other]\r\nHost=elsewhere.example\r\n");
    EXPECT_EQ(LoadServerSettings(dir.Path()), kDefaults);
}

TEST_F(SettingsFile, EachKeyOverridesItsDefaultAndAnEmptyValueKeepsIt) {
    test::WriteBytes(ini, "[Server]\r\nHost=update.example.net\r\n");
    EXPECT_EQ(LoadServerSettings(dir.Path()),
              (ServerSettings{"update.example.net", kDefaults.mail, kDefaults.bugMail}));
    test::WriteBytes(ini, "[server]\r\nmail = post@example.net \r\n");
    EXPECT_EQ(LoadServerSettings(dir.Path()),
              (ServerSettings{kDefaults.host, "post@example.net", kDefaults.bugMail}));
    test::WriteBytes(ini, "[Server]\r\nBugMail=fehler@example.net\r\nHost=\r\nMail=   \r\n");
    EXPECT_EQ(LoadServerSettings(dir.Path()),
              (ServerSettings{kDefaults.host, kDefaults.mail, "fehler@example.net"}));
    const std::string before = test::ReadBytes(ini);

    test::WriteBytes(ini, "[Server]\r\nHost=" + std::string(1000, 'h') +
                              "\r\nMail=m@x\r\nBugMail=b@x\r\n");
    EXPECT_EQ(LoadServerSettings(dir.Path()),
              (ServerSettings{std::string(1000, 'h'), "m@x", "b@x"}));
    EXPECT_EQ(ResolveServerSettings(" \t", "", "\r\n"), kDefaults);
    EXPECT_EQ(before, "[Server]\r\nBugMail=fehler@example.net\r\nHost=\r\nMail=   \r\n");
}

} // namespace
} // namespace qv
