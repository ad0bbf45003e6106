// The signed file list's format and its name rule.
#include "update/FileList.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

const std::string kHash(64, 'a');

std::string List(const std::string& lines) {
    return std::string(kFileListHeader) + "\n" + lines;
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

    FileList back = ParseFileList(FormatFileList(list.entries));
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.entries[1].name, list.entries[1].name);
    EXPECT_EQ(FormatFileList(list.entries), List(kHash + " 12 qv6.exe\n" + std::string(64, 'b') +
                                                 " 0 Hilfe/handbuch seite.html\n"));
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
        EXPECT_NE(list.error.find("Zeile 3"), std::string::npos) << name << ": " << list.error;
    }
    for (const char* name :
         {"qv6.exe", "Hilfe/a.html", "Hilfe\\b.html", "a b.txt", "-x_y~.z", "console.txt", "com10"})
        EXPECT_TRUE(IsSafeRelativeName(name)) << name;
}

TEST(FileList, MalformedListsAreRefused) {
    const std::string line = kHash + " 5 a.txt\n";
    EXPECT_FALSE(ParseFileList("").ok);
    EXPECT_FALSE(ParseFileList(List("")).ok);                          // no entries
    EXPECT_FALSE(ParseFileList("QV6FILELIST 2\n" + line).ok);          // unknown version
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
    EXPECT_FALSE(ParseFileList(List(line) + std::string(kMaxFileListBytes, '#')).ok);
    EXPECT_TRUE(ParseFileList(List(line)).ok);
}

} // namespace
} // namespace qv
