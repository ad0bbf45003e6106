// The report file through the real file API: replacing an old one, boot
// files that are large, odd or gone, folders that refuse the file, the copy
// and the deletion, and the creation time's format.
#include "report/ReportFile.h"

#include "autostart/ScanPlatform.h"
#include "autostart/Scanner.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "support/Entries.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace qv {
namespace {

using test::FileEntry;
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

std::string CannotOpen(const std::string& path) {
    return "Datei " + path +
           " kann nicht ge\xF6"
           "ffnet werden";
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const AppError& e) {
        return e.what();
    }
    return "<no error>";
}

class ReportFile : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string report = dir / "report.html";
};

TEST_F(ReportFile, AReadOnlyOldReportIsReplaced) {
    test::WriteBytes(report, "old report");
    ASSERT_TRUE(SetAttributes(report, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    WriteReport(dir.Path(), {}, Texts(), "now");
    std::string doc = test::ReadBytes(report);
    EXPECT_EQ(doc.rfind("<html>", 0), 0u);
    EXPECT_NE(doc.find("Created: now</span></p>\r\n"), std::string::npos);
    EXPECT_EQ(GetAttributes(report) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
    // Written through a temporary file that is gone once the report is in place.
    EXPECT_EQ(test::FilesIn(dir.Path()), std::vector<std::string>{"report.html"});
}

TEST_F(ReportFile, ATwentyMegabyteBootFileIsShownWhole) {
    const std::string line = std::string(96, 'x') + "<&>";
    std::string big;
    while (big.size() < (20u << 20))
        big += line + "\r\n";
    const size_t lines = big.size() / (line.size() + 2);
    big += "last";
    test::WriteBytes(dir / "big.bat", big);

    WriteReport(dir.Path(), {FileEntry(dir / "big.bat", 7)}, Texts(), "now");
    std::string doc = test::ReadBytes(report);
    const std::string escaped = std::string(96, 'x') + "&lt;&amp;&gt;<br>";
    size_t first = doc.find(escaped), count = 0;
    for (size_t at = first; at != std::string::npos; at = doc.find(escaped, at + escaped.size()))
        ++count;
    EXPECT_EQ(count, lines);
    EXPECT_NE(doc.find(escaped + "last<br></td></tr>\r\n"), std::string::npos);
}

TEST_F(ReportFile, ABootFileThatVanishesStopsTheReportWithItsMessage) {
    test::WriteBytes(dir / "a.bat", "rem a\r\n");
    test::WriteBytes(dir / "b.bat", "rem b\r\n");
    test::WriteBytes(report, "old report");
    std::vector<AutostartEntry> entries = {FileEntry(dir / "a.bat", 7),
                                           FileEntry(dir / "b.bat", 7)};
    int reads = 0;
    auto vanishing = [&](const std::string& path) {
        // The second file goes while the report is being written.
        if (++reads == 2) ::DeleteFileA(path.c_str());
        return ReadBootFileBytes(path);
    };
    EXPECT_EQ(ErrorOf([&] { WriteReport(dir.Path(), entries, Texts(), "now", vanishing); }),
              CannotOpen(dir / "b.bat"));
    EXPECT_EQ(reads, 2);
    EXPECT_FALSE(FileExists(report)); // neither the old report nor half a new one
    // The readable view stops the same way.
    EXPECT_EQ(ErrorOf([&] { BuildReportView(entries, Texts(), "now", ReadBootFileBytes); }),
              CannotOpen(dir / "b.bat"));
}

TEST_F(ReportFile, AFolderThatRefusesTheFileGivesTheFileOperationsMessage) {
    const std::string missing = dir / "gone\\";
    EXPECT_EQ(ErrorOf([&] { WriteReport(missing, {}, Texts(), "now"); }),
              "Datei " + missing + "report.html kann nicht erstellt werden");

    // A report held open by another program can be neither deleted nor
    // recreated.
    test::WriteBytes(report, "held");
    {
        UniqueHandle held(::CreateFileA(report.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(ErrorOf([&] { WriteReport(dir.Path(), {}, Texts(), "now"); }),
                  "Datei " + report + " kann nicht erstellt werden");
    }
    EXPECT_EQ(test::ReadBytes(report), "held");
}

TEST_F(ReportFile, AReadOnlyAppDirStillTakesTheReport) {
    // As on Windows, the read-only mark of a folder does not protect what is
    // in it.
    ASSERT_TRUE(SetAttributes(dir.Path(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
    std::string error = ErrorOf([&] { WriteReport(dir.Path(), {}, Texts(), "now"); });
    SetAttributes(dir.Path(), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(error, "<no error>");
    EXPECT_TRUE(FileExists(report));
}

TEST_F(ReportFile, SaveCopiesOverAnExistingFileAndCloseLeavesNoReport) {
    WriteReport(dir.Path(), {}, Texts(), "now");
    const std::string copy = dir / "kopie.html";
    test::WriteBytes(copy, "older copy");
    EXPECT_TRUE(SaveReportCopy(dir.Path(), copy));
    EXPECT_EQ(test::ReadBytes(copy), test::ReadBytes(report));

    ASSERT_TRUE(SetAttributes(report, FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(DeleteReport(dir.Path()));
    EXPECT_FALSE(FileExists(report));
    EXPECT_TRUE(DeleteReport(dir.Path())); // nothing left to delete is no failure
    EXPECT_FALSE(SaveReportCopy(dir.Path(), dir / "other.html"));
    EXPECT_FALSE(FileExists(dir / "other.html"));
}

TEST(ReportTime, MidnightShowsTheDateAloneAndAnyOtherTimeTheDateAndTheTime) {
    const std::string evening = FormatCreationTime({2026, 12, 6, 21, 53, 25, 0});
    const std::string midnight = FormatCreationTime({2026, 12, 6, 0, 0, 0, 0});
    const std::string justAfter = FormatCreationTime({2026, 12, 6, 0, 0, 0, 1});
    ASSERT_FALSE(midnight.empty());
    EXPECT_EQ(midnight.find(' '), std::string::npos) << midnight;
    EXPECT_NE(midnight.find("2026"), std::string::npos) << midnight;
    EXPECT_EQ(evening.rfind(midnight + " ", 0), 0u) << evening;
    EXPECT_NE(evening.find("53"), std::string::npos) << evening;
    EXPECT_NE(evening.find("25"), std::string::npos) << evening;
    EXPECT_EQ(justAfter.rfind(midnight + " ", 0), 0u) << justAfter;
    EXPECT_TRUE(IsMidnight({2026, 1, 1, 0, 0, 0, 0}));
    EXPECT_FALSE(IsMidnight({2026, 1, 1, 0, 0, 1, 0}));
    EXPECT_FALSE(ReportCreationTime().empty());
}

// A value planted in the real Run key reaches the report, from the scan,
// only as text.
TEST_F(ReportFile, APlantedRunValueFromTheScanIsWrittenEscaped) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string name = "qv6 report test <img src=x onerror=alert(1)>";
    test::RegSetString(HKEY_CURRENT_USER, run, name, "</td></table><script>alert(1)</script>");
    std::vector<AutostartEntry> scanned = ScanWatchedSources(WindowsScanPlatform());
    RegKey key;
    ::RegOpenKeyExA(HKEY_CURRENT_USER, run.c_str(), 0, KEY_SET_VALUE, key.put());
    ::RegDeleteValueA(key.get(), name.c_str());

    WriteReport(dir.Path(), scanned, Texts(), "now");
    std::string doc = test::ReadBytes(report);
    EXPECT_NE(doc.find("<tr><td nowrap>HKEY_CURRENT_USER</td><td nowrap>" + run +
                       "</td><td nowrap>&nbsp;qv6 report test &lt;img src=x "
                       "onerror=alert(1)&gt;</td><td nowrap>&lt;/td&gt;&lt;/table&gt;&lt;"
                       "script&gt;alert(1)&lt;/script&gt;</td></tr>\r\n"),
              std::string::npos);
    EXPECT_EQ(doc.find("<script"), std::string::npos);
    EXPECT_EQ(doc.find("<img"), std::string::npos);
}

} // namespace
} // namespace qv
