// The whole report.html of a seeded set of entries, compared with a
// document written out line by line here.
#include "report/ReportFile.h"
#include "report/ReportWriter.h"

#include "base/Errors.h"
#include "support/Entries.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

using namespace std::string_literals;
using test::FileEntry;
using test::IniEntry;
using test::RegEntry;

constexpr const char* kCreated = "06.12.2026 21:53:25";

ReportTexts Texts() {
    ReportTexts t;
    t.groupNames = {"Registry: Run-Schl\xFC"
                    "ssel & Co",
                    "Shell-Open-Befehle",
                    "Active Setup",
                    "VxD",
                    "ICQ <Agent>",
                    "Autostart-Ordner",
                    "WIN.INI und SYSTEM.INI",
                    "Boot- und Batchdateien",
                    "Explorer \"C:\"",
                    "Aufgaben",
                    "Dienste",
                    "Treiber",
                    "Winlogon",
                    "Image-<Hijacks>",
                    "AppInit",
                    "LSA",
                    "Druck",
                    "Apps"};
    t.emptyFile = "(Die Datei ist leer.)";
    t.rootKey = "Hauptschl\xFC"
                "ssel";
    t.key = "Schl\xFC"
            "ssel";
    t.name = "Name";
    t.value = "Inhalt";
    t.folder = "Pfad";
    t.file = "Datei";
    t.target = "Ziel / Details";
    t.contents = "Inhalts'verzeichnis'";
    return t;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string doc;
    for (const auto& l : lines)
        doc += l + "\r\n";
    return doc;
}

// The document's fixed lines around the chapters, written out literally.
std::vector<std::string> Head(const std::string& created) {
    return {
        R"x(<html><head><title>Quorvik 6 Report</title><style>h1 {font-size:15px;font-weight:bold} table {font-family:arial,verdana;font-size:12px}</style></head><body style="font-family:arial,verdana;font-size:14px" topmargin="0" leftmargin="5"><a name="top">&nbsp;</a>)x",
        R"x(<p style="font-size:18px;font-weight:bold;text-align:center">Quorvik 6 Report<br><span style="font-size:14px">)x",
        "Created: " + created + "</span></p>",
        "<b>Inhalts&#39;verzeichnis&#39;</b><div style=\"margin-left:50px;font-size:10px\">"
        "<a href=\"#chapter0\">Registry: Run-Schl\xFC"
        "ssel &amp; Co</a><br>"
        "<a href=\"#chapter1\">Shell-Open-Befehle</a><br>"
        "<a href=\"#chapter2\">Active Setup</a><br>"
        "<a href=\"#chapter3\">VxD</a><br>"
        "<a href=\"#chapter4\">ICQ &lt;Agent&gt;</a><br>"
        "<a href=\"#chapter5\">Autostart-Ordner</a><br>"
        "<a href=\"#chapter6\">WIN.INI und SYSTEM.INI</a><br>"
        "<a href=\"#chapter7\">Boot- und Batchdateien</a><br>"
        "<a href=\"#chapter8\">Explorer &quot;C:&quot;</a><br>"
        "<a href=\"#chapter9\">Aufgaben</a><br>"
        "<a href=\"#chapter10\">Dienste</a><br>"
        "<a href=\"#chapter11\">Treiber</a><br>"
        "<a href=\"#chapter12\">Winlogon</a><br>"
        "<a href=\"#chapter13\">Image-&lt;Hijacks&gt;</a><br>"
        "<a href=\"#chapter14\">AppInit</a><br>"
        "<a href=\"#chapter15\">LSA</a><br>"
        "<a href=\"#chapter16\">Druck</a><br>"
        "<a href=\"#chapter17\">Apps</a>"
        "</div><hr>",
    };
}

const char* const kHeading[kGroupCount] = {"Registry: Run-Schl\xFC"
                                           "ssel &amp; Co",
                                           "Shell-Open-Befehle",
                                           "Active Setup",
                                           "VxD",
                                           "ICQ &lt;Agent&gt;",
                                           "Autostart-Ordner",
                                           "WIN.INI und SYSTEM.INI",
                                           "Boot- und Batchdateien",
                                           "Explorer &quot;C:&quot;",
                                           "Aufgaben",
                                           "Dienste",
                                           "Treiber",
                                           "Winlogon",
                                           "Image-&lt;Hijacks&gt;",
                                           "AppInit",
                                           "LSA",
                                           "Druck",
                                           "Apps"};

// The groups from 9 on share one table: name, details, where it lives.
#define QV_SOURCE_HEADER "<td>Name</td><td>Ziel / Details</td><td>Schl\xFCssel</td></tr>"

const char* const kHeader[kGroupCount] = {
    "<td>Hauptschl\xFCssel</td><td>Schl\xFCssel</td><td>Name</td><td>Inhalt</td></tr>",
    "<td>Hauptschl\xFCssel</td><td>Schl\xFCssel</td><td>Name</td><td>Inhalt</td></tr>",
    "<td>Hauptschl\xFCssel</td><td>Schl\xFCssel</td><td>Name</td><td>Inhalt</td></tr>",
    "<td>Hauptschl\xFCssel</td><td>Schl\xFCssel</td><td>Name</td><td>Inhalt</td></tr>",
    "<td>Hauptschl\xFCssel</td><td>Schl\xFCssel</td><td>Name</td><td>Inhalt</td></tr>",
    "<td>Pfad</td><td>Datei</td><td>Ziel / Details</td></tr>",
    "<td>Datei</td><td>Name</td><td>Inhalt</td></tr>",
    "<td>Datei</td><td>Inhalt</td></tr>",
    "<td>Pfad</td><td>&nbsp;</td></tr>",
    QV_SOURCE_HEADER,
    QV_SOURCE_HEADER,
    QV_SOURCE_HEADER,
    QV_SOURCE_HEADER,
    QV_SOURCE_HEADER,
    QV_SOURCE_HEADER,
    QV_SOURCE_HEADER,
    QV_SOURCE_HEADER,
    QV_SOURCE_HEADER,
};

void Chapter(std::vector<std::string>& doc, int n, const std::vector<std::string>& rows) {
    doc.push_back("<a name=\"chapter" + std::to_string(n) + "\">&nbsp;</a>");
    doc.push_back(std::string("<h1>") + kHeading[n] + "</h1>");
    doc.push_back(
        "<table style=\"margin-left:30px\" border=\"1\" cellpadding=\"5\" cellspacing=\"0\" "
        "width=\"90%\">\t<tr style=\"font-weight:bold\" bgcolor=\"#f0f0f0\">");
    doc.push_back(kHeader[n]);
    doc.insert(doc.end(), rows.begin(), rows.end());
    doc.push_back("</table><br>");
    doc.push_back(R"x(<div align="right" style="font-size:12px"><a href="#top">Top</a></div>)x");
}

std::string Reg(const std::string& root, const std::string& key, const std::string& name,
                const std::string& data) {
    return "<tr><td nowrap>" + root + "</td><td nowrap>" + key + "</td><td nowrap>&nbsp;" + name +
           "</td><td nowrap>" + data + "</td></tr>";
}
std::string Three(const std::string& a, const std::string& b, const std::string& c) {
    return "<tr><td nowrap>" + a + "</td><td nowrap>" + b + "</td><td nowrap>&nbsp;" + c +
           "</td></tr>";
}
std::string Two(const std::string& a, const std::string& b) {
    return "<tr><td valign=\"top\" nowrap>" + a + "</td><td nowrap>" + b + "</td></tr>";
}

class ReportDocument : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string Path(const std::string& name) const { return dir / name; }
};

TEST_F(ReportDocument, WholeDocumentOfEveryGroupWithEscapedValues) {
    const std::string amps(255, '&');
    std::string ampsEscaped;
    for (int i = 0; i < 255; ++i)
        ampsEscaped += "&amp;";
    const std::string script = "</td></table><script>alert(1)</script>";
    const std::string scriptEscaped = "&lt;/td&gt;&lt;/table&gt;&lt;script&gt;alert(1)&lt;/"
                                      "script&gt;";
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    test::WriteBytes(Path("autoexec.bat"), "@echo off\r\nset A=<1>\r\nrem it's \"x\" & y\r\n");
    test::WriteBytes(Path("config.sys"), "");
    test::WriteBytes(Path("odd.bat"), "a\rb\n\nc\r\n\0hidden\r\n"s);
    test::WriteBytes(Path("blank.bat"), "\r\n");

    std::vector<AutostartEntry> entries;
    entries.push_back(RegEntry(kRootLocalMachine, run, "Tool", "c:\\tool.exe /b <b>"));
    entries.push_back(FileEntry("C:\\Dokumente\\Autostart\\tool.lnk", 5));
    entries.back().Detail.assign("C:\\Programme\\Tool & Co\\tool.exe");
    entries.push_back(RegEntry(kRootCurrentUser, run, "", "c:\\default.exe")); // default value
    entries.back().Active = 0;                                                 // deactivated
    entries.push_back(RegEntry(kRootCurrentUser, run, "Evil", script));
    entries.push_back(RegEntry(kRootLocalMachine, run + "Once", "Amps", amps));
    entries.push_back(
        RegEntry(kRootClassesRoot, "\\exefile\\shell\\open\\command", "", "\"%1\" %*", 1));
    entries.push_back(RegEntry(kRootLocalMachine, "\\Software\\Microsoft\\Active Setup\\{1}",
                               "StubPath", "rundll32 it's.dll", 2));
    entries.push_back(RegEntry(kRootLocalMachine, "\\System\\VxD\\X", "StaticVxD", "*vmm", 3));
    entries.push_back(RegEntry("5", "\\Software\\Mirabilis\\ICQ\\Agent\\Apps\\A", "Path",
                               "c:\\icq.exe", 4)); // no known root: an empty first cell
    entries.push_back(IniEntry("C:\\WINDOWS\\win.ini", "windows", "load", "c:\\load.exe"));
    entries.push_back(IniEntry("C:\\WINDOWS\\system.ini", "boot", "shell", "Explorer.exe"));
    entries.back().Active = 0;
    entries.push_back(FileEntry("tool.lnk", 5));      // no folder part
    entries.push_back(FileEntry("D:autorun.lnk", 5)); // a drive's folder ends in a colon
    entries.push_back(FileEntry(Path("autoexec.bat"), 7));
    entries.push_back(FileEntry(Path("config.sys"), 7));
    entries.push_back(FileEntry(Path("odd.bat"), 7));
    entries.push_back(FileEntry(Path("blank.bat"), 7));
    entries.push_back(FileEntry("c:\\explorer.exe", 8));
    entries.back().Caption.assign("Explorer <C:>");
    entries.push_back(RegEntry(kRootLocalMachine, run, "Nowhere", "c:\\x.exe", 99)); // no group
    entries.push_back(RegEntry(kRootLocalMachine, "SOFTWARE\\IFEO\\calc.exe", "Debugger",
                               "\"c:\\x.exe\" <&>", "calc.exe", "\"c:\\x.exe\" <&>",
                               GroupByte(AutostartGroup::ImageHijacks), 0));

    std::vector<std::string> doc = Head(kCreated);
    Chapter(doc, 0,
            {Reg("HKEY_LOCAL_MACHINE", run, "Tool", "c:\\tool.exe /b &lt;b&gt;"),
             Reg("HKEY_CURRENT_USER", run, "", "c:\\default.exe"),
             Reg("HKEY_CURRENT_USER", run, "Evil", scriptEscaped),
             Reg("HKEY_LOCAL_MACHINE", run + "Once", "Amps", ampsEscaped)});
    Chapter(doc, 1,
            {Reg("HKEY_CLASSES_ROOT", "\\exefile\\shell\\open\\command", "", "&quot;%1&quot; %*")});
    Chapter(doc, 2,
            {Reg("HKEY_LOCAL_MACHINE", "\\Software\\Microsoft\\Active Setup\\{1}", "StubPath",
                 "rundll32 it&#39;s.dll")});
    Chapter(doc, 3, {Reg("HKEY_LOCAL_MACHINE", "\\System\\VxD\\X", "StaticVxD", "*vmm")});
    Chapter(doc, 4, {Reg("", "\\Software\\Mirabilis\\ICQ\\Agent\\Apps\\A", "Path", "c:\\icq.exe")});
    Chapter(doc, 5,
            {Three("C:\\Dokumente\\Autostart\\", "C:\\Dokumente\\Autostart\\tool.lnk",
                   "C:\\Programme\\Tool &amp; Co\\tool.exe"),
             Three("", "tool.lnk", ""), Three("D:", "D:autorun.lnk", "")});
    Chapter(doc, 6,
            {Three("C:\\WINDOWS\\win.ini", "load", "c:\\load.exe"),
             Three("C:\\WINDOWS\\system.ini", "shell", "Explorer.exe")});
    Chapter(doc, 7,
            {Two(Path("autoexec.bat"), "@echo off<br>set A=&lt;1&gt;<br>rem it&#39;s "
                                       "&quot;x&quot; &amp; y<br>"),
             Two(Path("config.sys"), "(Die Datei ist leer.)"),
             Two(Path("odd.bat"), "a<br>b<br><br>c<br>"), Two(Path("blank.bat"), "<br>")});
    Chapter(doc, 8, {Two("c:\\explorer.exe", "Explorer &lt;C:&gt;")});
    for (int n = 9; n < kGroupCount; ++n)
        Chapter(doc, n,
                n != 13 ? std::vector<std::string>{}
                        : std::vector<std::string>{
                              "<tr><td nowrap>calc.exe</td><td nowrap>&quot;c:\\x.exe&quot; "
                              "&lt;&amp;&gt;</td><td nowrap>HKEY_LOCAL_MACHINE\\SOFTWARE\\IFEO\\"
                              "calc.exe : Debugger</td></tr>"});
    doc.push_back("</body></html>");

    std::string path = WriteReport(dir.Path(), entries, Texts(), kCreated);
    EXPECT_EQ(path, Path("report.html"));
    EXPECT_EQ(test::ReadBytes(path), Join(doc));
}

TEST_F(ReportDocument, WithoutEntriesEveryChapterHasItsHeaderRowOnly) {
    std::vector<std::string> doc = Head("1.2.2026 <midnight>");
    doc[2] = "Created: 1.2.2026 &lt;midnight&gt;</span></p>";
    for (int n = 0; n < kGroupCount; ++n)
        Chapter(doc, n, {});
    doc.push_back("</body></html>");
    EXPECT_EQ(BuildReportHtml({}, Texts(), "1.2.2026 <midnight>", nullptr), Join(doc));
}

TEST(ReportValues, RootNamesForTheThreeRootsOnlyAndNothingForDamagedText) {
    EXPECT_EQ(RootKeyNameOrEmpty("2147483648"), "HKEY_CLASSES_ROOT");
    EXPECT_EQ(RootKeyNameOrEmpty("2147483649"), "HKEY_CURRENT_USER");
    EXPECT_EQ(RootKeyNameOrEmpty("2147483650"), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RootKeyNameOrEmpty("2147483651"), "");
    EXPECT_EQ(RootKeyNameOrEmpty("-2147483646"), "");
    EXPECT_EQ(RootKeyNameOrEmpty("windows"), ""); // an ini section in a damaged record
    EXPECT_EQ(RootKeyNameOrEmpty(""), "");
    EXPECT_EQ(RootKeyNameOrEmpty("2147483650x"), "");
    EXPECT_EQ(HtmlEscape("a&b<c>d\"e'f\xFC"), "a&amp;b&lt;c&gt;d&quot;e&#39;f\xFC");
}

} // namespace
} // namespace qv
