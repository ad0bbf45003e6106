// The signed file list's format and its name rule.
#include "update/FileList.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

const std::string kHash(64, 'a');

const std::string kHead = "version 6.03\nexpires 2027-06-30T00:00:00Z\n";

std::string List(const std::string& lines) {
    return std::string(kFileListHeader) + "\n" + kHead + lines;
}

TEST(FileList, ReadsEntriesAndWritesThemBack) {
    std::string bytes =
        List(kHash + " 12 qv6.exe\n" + std::string(64, 'B') + " 0 Hilfe/handbuch seite.html\r\n");
    FileList list = ParseFileList(bytes);
    ASSERT_TRUE(list.ok) << list.error;
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0].name, "qv6.exe");
    EXPECT_EQ(list.entries[0].size, 12u);
    EXPECT_EQ(ToHex(list.entries[0].sha256), kHash);
    EXPECT_EQ(list.entries[1].name, "Hilfe/handbuch seite.html");
    EXPECT_EQ(list.entries[1].size, 0u);
    EXPECT_EQ(LocalName(list.entries[1].name), "Hilfe\\handbuch seite.html");
    EXPECT_EQ(UrlName(list.entries[1].name), "Hilfe/handbuch%20seite.html");

    EXPECT_EQ(list.versionText, "6.03");
    EXPECT_EQ(list.version, (Version{6, 3, 0, 0}));
    EXPECT_EQ(list.expires, 1814313600); // 2027-06-30 00:00:00 UTC
    FileList back = ParseFileList(FormatFileList("6.03", "2027-06-30T00:00:00Z", list.entries));
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.entries[1].name, list.entries[1].name);
    EXPECT_EQ(
        FormatFileList("6.03", "2027-06-30T00:00:00Z", list.entries),
        List(kHash + " 12 qv6.exe\n" + std::string(64, 'b') + " 0 Hilfe/handbuch seite.html\n"));
}

TEST(FileList, AnyUnsafeNameRefusesTheWholeList) {
    for (const char* name : {"..\\evil.exe", "../evil.exe",
                             "a/../../b",    "sub/..",
                             "x..y",         "C:\\Windows\\evil.exe",
                             "c:evil",       "/etc/evil",
                             "\\evil.exe",   "\\\\server\\share\\x",
                             "a//b",         "a/",
                             "nul",          "CON.txt",
                             "sub/com1.log", "a?b",
                             "a*b",          "a|b",
                             "a\"b",         "a<b",
                             "trailing.",    "blank ",
                             "a\tb",         "a\x7F"}) {
        FileList list = ParseFileList(List(kHash + " 1 ok.txt\n" + kHash + " 1 " + name + "\n"));
        EXPECT_FALSE(list.ok) << name;
        EXPECT_TRUE(list.entries.empty()) << name;
        EXPECT_NE(list.error.find("Zeile 5"), std::string::npos) << name << ": " << list.error;
    }
    for (const char* name :
         {"qv6.exe", "Hilfe/a.html", "Hilfe\\b.html", "a b.txt", "-x_y~.z", "console.txt", "com10"})
        EXPECT_TRUE(IsSafeRelativeName(name)) << name;
}

TEST(FileList, MalformedListsAreRefused) {
    const std::string line = kHash + " 5 a.txt\n";
    EXPECT_FALSE(ParseFileList("").ok);
    EXPECT_FALSE(ParseFileList(List("")).ok);                         // no entries
    EXPECT_FALSE(ParseFileList("QV6FILELIST 3\n" + kHead + line).ok); // unknown format
    EXPECT_FALSE(ParseFileList("QV6FILELIST 1\n" + line).ok);         // first format
    EXPECT_FALSE(ParseFileList("QV6FILELIST 1\n" + kHead + line).ok);
    EXPECT_FALSE(ParseFileList(line).ok);                              // no header
    EXPECT_FALSE(ParseFileList(List(kHash + " 5 a.txt")).ok);          // last line cut off
    EXPECT_FALSE(ParseFileList(List(line + line)).ok);                 // twice
    EXPECT_FALSE(ParseFileList(List(line + kHash + " 5 A.TXT\n")).ok); // twice, other case
    EXPECT_FALSE(ParseFileList(List(kHash.substr(1) + " 5 a.txt\n")).ok);
    EXPECT_FALSE(ParseFileList(List(std::string(63, 'a') + "g 5 a.txt\n")).ok);
    EXPECT_FALSE(ParseFileList(List(kHash + "  5 a.txt\n")).ok); // empty size
    EXPECT_FALSE(ParseFileList(List(kHash + " -5 a.txt\n")).ok);
    EXPECT_FALSE(ParseFileList(List(kHash + " 05 a.txt\n")).ok);
    EXPECT_FALSE(ParseFileList(List(kHash + " 5\n")).ok);                 // no name
    EXPECT_FALSE(ParseFileList(List(kHash + " 5 \n")).ok);                // empty name
    EXPECT_FALSE(ParseFileList(List(kHash + " 99999999999 a.txt\n")).ok); // beyond 2 GiB
    EXPECT_FALSE(ParseFileList(List("\n" + line)).ok);                    // empty line
    // The head: a version and an expiry in exactly these spellings.
    for (const char* head :
         {"expires 2027-06-30T00:00:00Z\nversion 6.03\n", "version 6.03\n",
          "version \nexpires "
          "2027-06-30T00:00:00Z\n",
          "version 6.x\nexpires 2027-06-30T00:00:00Z\n",
          "version 1.2.3.4.5\nexpires 2027-06-30T00:00:00Z\n",
          "version 70000\nexpires 2027-06-30T00:00:00Z\n", "version 6.03\nexpires 2027-06-30\n",
          "version 6.03\nexpires 2027-02-29T00:00:00Z\n",
          "version 6.03\nexpires 2027-06-30T24:00:00Z\n",
          "version 6.03\nexpires 2027-06-30T00:00:00+01\n"})
        EXPECT_FALSE(ParseFileList(std::string(kFileListHeader) + "\n" + head + line).ok) << head;
    EXPECT_EQ(ParseUtcTime("2028-02-29T23:59:59Z"), 1835481599);
    EXPECT_LT(*ParseVersion("6.9"), *ParseVersion("6.10"));
    EXPECT_EQ(*ParseVersion("6.02"), *ParseVersion("6.2.0.0"));
    EXPECT_FALSE(ParseFileList(List(line) + std::string(kMaxFileListBytes, '#')).ok);
    EXPECT_TRUE(ParseFileList(List(line)).ok);
}

} // namespace
} // namespace qv
