// The readable view for windows whose browser control cannot render, and
// the choice between the two.
#include "report/ReportDisplay.h"
#include "report/ReportWriter.h"

#include "support/Entries.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace qv {
namespace {

using test::FileEntry;
using test::IniEntry;
using test::RegEntry;

ReportTexts Texts() {
    ReportTexts t;
    for (int g = 0; g < kGroupCount; ++g)
        t.groupNames[g] = "Gruppe " + std::to_string(g);
    t.emptyFile = "(leer)";
    t.rootKey = "Root", t.key = "Key", t.name = "Name", t.value = "Value";
    t.folder = "Folder", t.file = "File", t.target = "Target", t.contents = "Contents";
    return t;
}

using Rows = std::vector<std::vector<std::string>>;

TEST(ReportView, SameRowsAndValuesAsTheDocumentUnescaped) {
    std::map<std::string, std::string> files = {{"c:\\autoexec.bat", "one\r\ntwo <2>\rthree\n"}};
    files["c:\\config.sys"] = std::string("\0after a NUL", 12);
    auto read = [&](const std::string& path) -> std::optional<std::string> {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    };
    std::vector<AutostartEntry> entries = {
        RegEntry(kRootCurrentUser, "Software\\Run", "", "</td><script>x</script>"),
        FileEntry("c:\\autoexec.bat", 7),
        FileEntry("C:\\Start\\a.lnk", 5),
        IniEntry("c:\\win.ini", "windows", "load", "a & b"),
        FileEntry("c:\\config.sys", 7),
        FileEntry("c:\\explorer.exe", 8),
        RegEntry(kRootLocalMachine, "\\exefile", "", "\"%1\"", 1),
        RegEntry(kRootLocalMachine, "SOFTWARE\\IFEO\\calc.exe", "Debugger", "c:\\x.exe <y>",
                 "calc.exe", "c:\\x.exe <y>", GroupByte(AutostartGroup::ImageHijacks), 0),
    };
    entries[0].Active = 0;
    entries[2].Detail.assign("c:\\a.exe");

    ReportView view = BuildReportView(entries, Texts(), "heute", read);
    EXPECT_EQ(view.title, "Quorvik 6 Report");
    EXPECT_EQ(view.created, "heute");
    ASSERT_EQ(view.chapters.size(), static_cast<size_t>(kGroupCount));
    for (int g = 0; g < kGroupCount; ++g) {
        EXPECT_EQ(view.chapters[g].group, g);
        EXPECT_EQ(view.chapters[g].title, "Gruppe " + std::to_string(g));
    }
    EXPECT_EQ(view.chapters[0].columns, (std::vector<std::string>{"Root", "Key", "Name", "Value"}));
    EXPECT_EQ(view.chapters[0].rows,
              (Rows{{"HKEY_CURRENT_USER", "Software\\Run", "", "</td><script>x</script>"}}));
    EXPECT_EQ(view.chapters[1].rows, (Rows{{"HKEY_LOCAL_MACHINE", "\\exefile", "", "\"%1\""}}));
    EXPECT_TRUE(view.chapters[2].rows.empty());
    EXPECT_EQ(view.chapters[5].columns, (std::vector<std::string>{"Folder", "File", "Target"}));
    EXPECT_EQ(view.chapters[5].rows, (Rows{{"C:\\Start\\", "C:\\Start\\a.lnk", "c:\\a.exe"}}));
    EXPECT_EQ(view.chapters[6].rows, (Rows{{"c:\\win.ini", "load", "a & b"}}));
    EXPECT_EQ(view.chapters[7].columns, (std::vector<std::string>{"File", "Value"}));
    EXPECT_EQ(view.chapters[7].rows, (Rows{{"c:\\autoexec.bat", "one\r\ntwo <2>\r\nthree"},
                                           {"c:\\config.sys", "(leer)"}}));
    EXPECT_EQ(view.chapters[8].columns, (std::vector<std::string>{"Folder", ""}));
    EXPECT_EQ(view.chapters[8].rows, (Rows{{"c:\\explorer.exe", "c:\\explorer.exe"}}));
    EXPECT_EQ(view.chapters[13].columns, (std::vector<std::string>{"Name", "Target", "Key"}));
    EXPECT_EQ(view.chapters[13].rows,
              (Rows{{"calc.exe", "c:\\x.exe <y>",
                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\IFEO\\calc.exe : Debugger"}}));

    const std::string text = ReportViewText(view);
    EXPECT_EQ(text.rfind("Quorvik 6 Report\r\nCreated: heute\r\n\r\nGruppe 0\r\n========\r\n", 0),
              0u);
    EXPECT_NE(text.find("  Root: HKEY_CURRENT_USER\r\n  Key: Software\\Run\r\n  Name: \r\n"
                        "  Value: </td><script>x</script>\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("  File: c:\\autoexec.bat\r\n  Value: one\r\n    two <2>\r\n    three\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("  Folder: c:\\explorer.exe\r\n  c:\\explorer.exe\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nGruppe 2\r\n========\r\n\r\nGruppe 3\r\n"), std::string::npos);

    // A NUL from a damaged record must not end the text a control shows.
    entries[5].Caption.assign(std::string("explorer\0.exe", 13));
    const std::string damaged = ReportViewText(BuildReportView(entries, Texts(), "heute", read));
    EXPECT_EQ(damaged.find('\0'), std::string::npos);
    EXPECT_NE(damaged.find("  explorer .exe\r\n"), std::string::npos);
}

TEST(ReportDisplay, ReadableViewWheneverTheControlCannotShowTheFile) {
    BrowserProgress p;
    EXPECT_EQ(ChooseReportDisplay(p), ReportDisplay::Readable); // not even created
    p.created = true;
    EXPECT_EQ(ChooseReportDisplay(p), ReportDisplay::Readable); // Navigate failed
    p.navigated = true;
    EXPECT_EQ(ChooseReportDisplay(p), ReportDisplay::Waiting);
    p.documentComplete = true;
    EXPECT_EQ(ChooseReportDisplay(p), ReportDisplay::Browser);
    p.navigateError = true; // an error page completes as well
    EXPECT_EQ(ChooseReportDisplay(p), ReportDisplay::Readable);
    p = {true, true, false, false, true};
    EXPECT_EQ(ChooseReportDisplay(p), ReportDisplay::Readable); // no answer in time
}

} // namespace
} // namespace qv
