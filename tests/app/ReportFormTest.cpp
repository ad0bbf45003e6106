// The report window opened with the autostart page's button and driven
// through its real controls: the file it writes, the view it chooses under
// this Wine (whose browser control has no HTML engine) and with a viewer
// that renders, saving a copy, closing, and the failures on the way.
#include "model/AppModel.h"
#include "support/Model.h"
#include "app/MainUnit.h"
#include "base/Files.h"
#include "base/Handles.h"
#include "base/WinText.h"
#include "database/KnownEntries.h"
#include "report/ReportFile.h"
#include "report/ReportUnit.h"
#include "report/ReportWriter.h"
#include "support/Entries.h"
#include "support/TestSupport.h"
#include "ui/Modal.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qv {
namespace {

using test::FileEntry;
using test::RegEntry;

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The dialogs of the scripted handler, with the save dialog's settings kept.
class RecordingDialogs : public test::ScriptedDialogs {
  public:
    std::optional<std::string> SaveFile(const FileDialogRequest& r) override {
        saveRequests.push_back(r);
        return ScriptedDialogs::SaveFile(r);
    }
    std::vector<FileDialogRequest> saveRequests;
};

// A viewer that says what the test tells it to, and notes what it was asked.
struct FakeViewer : ui::HtmlViewer {
    bool createWorks = true;
    bool completeOnNavigate = false;
    bool errorOnNavigate = false;
    HWND host = nullptr;
    std::vector<std::string> targets;

    bool Create(HWND h) override {
        host = h;
        return createWorks;
    }
    bool Navigate(const std::string& target) override {
        targets.push_back(target);
        if (errorOnNavigate) OnNavigateError(static_cast<long>(0x800C0005));
        if (completeOnNavigate) OnDocumentComplete();
        return true;
    }
    void Fit() override {}
};

class ReportFormTest : public test::ModelTest {
  protected:
    void SetUp() override {
        test::WriteBytes(dir / "qv6.lng", test::ReadBytes(ExecutableDir() + "qv6.lng"));
        form = std::make_unique<TMainForm>(model);
        ASSERT_TRUE(form->Create(dir.Path(), false));
        ui::ProcessMessages(form.get());
        report = dir / "report.html";
    }
    void TearDown() override {
        form.reset();
        ui::SetModalRunner({});
        TReportForm::SetViewerFactory({});
    }
    // Clicks the report button; `inside` runs while the window is open and
    // ends it. Returns whether the window was shown at all.
    bool OpenReport(const std::function<void(TReportForm&)>& inside) {
        bool shown = false;
        ui::SetModalRunner([&](ui::ModalForm& m) {
            shown = true;
            auto& r = dynamic_cast<TReportForm&>(m);
            inside(r);
            ui::ProcessMessages(&r);
            return r.ModalResult;
        });
        form->AutostartPage().ReportBtn.Click();
        ui::ProcessMessages(form.get());
        return shown;
    }
    // A viewer that the next report window gets; the test keeps a look at it.
    FakeViewer& UseFakeViewer() {
        fake = new FakeViewer;
        TReportForm::SetViewerFactory([this]() -> std::unique_ptr<ui::HtmlViewer> {
            if (FakeViewer* f = std::exchange(fake, nullptr)) return std::unique_ptr<FakeViewer>(f);
            return std::make_unique<FakeViewer>();
        });
        return *fake;
    }
    ReportTexts Texts() const {
        return ReportTextsFromLines([this](Lng line) { return model.LanguageTable[line]; });
    }
    // The creation time as the written report has it.
    std::string CreatedIn(const std::string& doc) {
        const std::string from = "Created: ", to = "</span></p>";
        size_t a = doc.find(from), b = doc.find(to);
        if (a == std::string::npos || b == std::string::npos) return "<none>";
        return doc.substr(a + from.size(), b - a - from.size());
    }
    std::vector<AutostartEntry> Seed() {
        test::WriteBytes(dir / "autoexec.bat", "@echo off\r\nrem <b>fett</b>\nset A=1&2\r");
        return {
            RegEntry(kRootCurrentUser, kRun, "Planted", "</td></table><script>alert(1)</script>"),
            RegEntry(kRootLocalMachine, kRun, "", std::string(255, '&')),
            FileEntry("C:\\Dokumente\\Autostart\\tool.lnk", 5), FileEntry(dir / "autoexec.bat", 7)};
    }

    test::TempDir dir;
    RecordingDialogs dialogs;
    std::unique_ptr<TMainForm> form;
    std::string report;
    FakeViewer* fake = nullptr; // until a window takes it
};

TEST_F(ReportFormTest, TheButtonWritesTheReportAndThisWineGetsTheReadableView) {
    model.ASEntries = Seed();
    std::string doc, shownText;
    bool memoShown = false, browserShown = true;
    ReportDisplay display = ReportDisplay::Waiting;
    std::string caption, boxCaption;
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        doc = test::ReadBytes(report);
        display = r.Display();
        memoShown = (::GetWindowLongW(r.ReportTextView.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
        browserShown = (::GetWindowLongW(r.ReportView.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
        shownText = r.ReportTextView.Text();
        wchar_t title[32] = {};
        ::GetWindowTextW(r.Handle(), title, 32);
        caption = FromWide(title);
        boxCaption = r.ReportBox.Caption();
        r.CloseBtn.Click();
    }));
    // The document as the writer makes it for these entries, the planted
    // markup only as text.
    const std::string created = CreatedIn(doc);
    EXPECT_EQ(doc, BuildReportHtml(model.ASEntries, Texts(), created, ReadBootFileBytes));
    EXPECT_NE(doc.find("&lt;/td&gt;&lt;/table&gt;&lt;script&gt;alert(1)&lt;/script&gt;"),
              std::string::npos);
    EXPECT_EQ(doc.find("<script"), std::string::npos);
    EXPECT_NE(doc.find("<td nowrap>&nbsp;</td><td nowrap>" +
                       [] {
                           std::string s;
                           for (int i = 0; i < 255; ++i)
                               s += "&amp;";
                           return s;
                       }() +
                       "</td></tr>"),
              std::string::npos);
    EXPECT_EQ(caption, "Report");
    EXPECT_EQ(boxCaption, "Report");

    // No HTML engine here: the same chapters and rows as text, the values
    // as they stand.
    EXPECT_EQ(display, ReportDisplay::Readable);
    EXPECT_TRUE(memoShown);
    EXPECT_FALSE(browserShown);
    EXPECT_EQ(shownText + "\r\n", ReportViewText(BuildReportView(model.ASEntries, Texts(), created,
                                                                 ReadBootFileBytes)));
    EXPECT_NE(shownText.find("</td></table><script>alert(1)</script>"), std::string::npos);
    EXPECT_NE(shownText.find(model.LanguageTable[LineAt(7)]), std::string::npos);
    EXPECT_NE(shownText.find("rem <b>fett</b>"), std::string::npos);
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(ReportFormTest, SaveCopiesTheReportAndConfirmsButCancelDoesNothing) {
    model.ASEntries = Seed();
    const std::string copy = dir / "kopie.html";
    test::WriteBytes(copy, "an older copy");
    dialogs.QueueSaveFile(copy);
    std::string atSave;
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        EXPECT_EQ(r.SaveBtn.Caption(), model.LanguageTable[LineAt(129)]);
        EXPECT_EQ(r.SaveBtn.Hint(), model.LanguageTable[LineAt(130)]);
        EXPECT_EQ(r.CloseBtn.Caption(), model.LanguageTable[LineAt(131)]);
        EXPECT_EQ(r.CloseBtn.Hint(), model.LanguageTable[LineAt(132)]);
        r.SaveBtn.Click();
        atSave = test::ReadBytes(report);
        EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{model.LanguageTable[LineAt(58)]});
        r.SaveBtn.Click(); // no name queued: the user cancels
        r.CloseBtn.Click();
    }));
    EXPECT_EQ(test::ReadBytes(copy), atSave);
    ASSERT_EQ(dialogs.Messages().size(), 1u) << "nothing after the cancelled dialog";
    EXPECT_EQ(dialogs.Messages()[0].kind, MsgKind::Plain);
    EXPECT_EQ(dialogs.Messages()[0].buttons, unsigned(BtnOk));
    ASSERT_EQ(dialogs.saveRequests.size(), 2u);
    const FileDialogRequest& d = dialogs.saveRequests[0];
    EXPECT_EQ(d.title, "Report speichern");
    EXPECT_EQ(d.filter, "HTML-Dateien (*.html)|*.html|Alle Dateien (*.*)|*.*");
    EXPECT_EQ(d.defaultExt, "html");
    EXPECT_TRUE(d.overwritePrompt);
    EXPECT_FALSE(d.multiSelect);
}

TEST_F(ReportFormTest, ACopyThatCannotBeMadeIsReportedNotConfirmed) {
    const std::string target = dir / "fehlt\\kopie.html";
    dialogs.QueueSaveFile(target);
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        r.SaveBtn.Click();
        r.CloseBtn.Click();
    }));
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Datei " + target + " kann nicht erstellt werden");
    EXPECT_EQ(dialogs.Messages()[0].kind, MsgKind::Error);
    EXPECT_FALSE(FileExists(target));
}

TEST_F(ReportFormTest, CloseDeletesTheReportAndTheFrameLeavesIt) {
    int result = -1;
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        ASSERT_TRUE(FileExists(report));
        r.CloseBtn.Click();
        result = r.ModalResult;
    }));
    EXPECT_EQ(result, ui::mrOk);
    EXPECT_FALSE(FileExists(report));

    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        ::SendMessageW(r.Handle(), WM_CLOSE, 0, 0);
        result = r.ModalResult;
    }));
    EXPECT_EQ(result, ui::mrCancel);
    EXPECT_TRUE(FileExists(report));
    // Escape closes like the frame.
    ASSERT_TRUE(DeleteReport(dir.Path()));
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        r.CancelKey();
        result = r.ModalResult;
    }));
    EXPECT_EQ(result, ui::mrCancel);
    EXPECT_TRUE(FileExists(report));
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(ReportFormTest, AReadOnlyOldReportIsReplacedWithoutAWord) {
    test::WriteBytes(report, "old report");
    ASSERT_TRUE(SetAttributes(report, FILE_ATTRIBUTE_READONLY));
    std::string doc;
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        doc = test::ReadBytes(report);
        r.CloseBtn.Click();
    }));
    EXPECT_EQ(doc.rfind("<html><head><title>Quorvik 6 Report</title>", 0), 0u);
    EXPECT_TRUE(dialogs.Messages().empty());
    EXPECT_FALSE(FileExists(report));
}

TEST_F(ReportFormTest, AReportThatCannotBeWrittenShowsItsErrorAndNoWindow) {
    // A report held open by another program can be neither deleted nor
    // made anew.
    test::WriteBytes(report, "held");
    {
        UniqueHandle held(::CreateFileA(report.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(OpenReport([](TReportForm&) { ADD_FAILURE() << "the window was shown"; }));
    }
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Datei " + report + " kann nicht erstellt werden");
    EXPECT_EQ(dialogs.Messages()[0].kind, MsgKind::Error);

    // A boot file that is gone by the time the report is written.
    dialogs.Clear();
    model.ASEntries = {FileEntry(dir / "weg.bat", 7)};
    EXPECT_FALSE(OpenReport([](TReportForm&) { ADD_FAILURE() << "the window was shown"; }));
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Datei " + dir / "weg.bat" +
                                              " kann nicht ge\xF6"
                                              "ffnet werden");
    EXPECT_FALSE(FileExists(report));
}

TEST_F(ReportFormTest, ALargeOddBootFileIsShownWholeInTheReadableView) {
    // 20 MB, with lone CRs and a NUL after which nothing counts.
    std::string big;
    while (big.size() < (20u << 20))
        big += "zeile mit <&> und einem\rwagenr\xFC"
               "cklauf\r\n";
    big += "letzte";
    big += '\0';
    big += "nach dem NUL";
    test::WriteBytes(dir / "gross.bat", big);
    model.ASEntries = {FileEntry(dir / "gross.bat", 7)};
    std::string shown, doc;
    size_t lines = 0;
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        EXPECT_EQ(r.Display(), ReportDisplay::Readable);
        shown = r.ReportTextView.Text();
        lines = r.ReportTextView.LineCount();
        doc = test::ReadBytes(report);
        r.CloseBtn.Click();
    }));
    EXPECT_TRUE(dialogs.Messages().empty());
    const std::string expected = ReportViewText(
        BuildReportView(model.ASEntries, Texts(), CreatedIn(doc), ReadBootFileBytes));
    EXPECT_EQ(shown + "\r\n", expected);
    // Every CR ended a line, and the NUL the text.
    EXPECT_GT(lines, 2 * (big.size() / 40));
    EXPECT_NE(shown.find("    letzte\r\n"), std::string::npos);
    EXPECT_EQ(shown.find("nach dem NUL"), std::string::npos);
}

TEST_F(ReportFormTest, AViewerThatRendersKeepsTheDocumentInTheWindow) {
    FakeViewer& v = UseFakeViewer();
    v.completeOnNavigate = true;
    ReportDisplay display = ReportDisplay::Waiting;
    bool browserShown = false, memoShown = true;
    HWND host = nullptr;
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        display = r.Display();
        host = r.ReportView.Handle();
        browserShown = (::GetWindowLongW(r.ReportView.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
        memoShown = (::GetWindowLongW(r.ReportTextView.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
        EXPECT_EQ(v.host, host);
        // The plain path, no URL scheme in front.
        EXPECT_EQ(v.targets, std::vector<std::string>{report});
        r.CloseBtn.Click();
    }));
    EXPECT_EQ(display, ReportDisplay::Browser);
    EXPECT_TRUE(browserShown);
    EXPECT_FALSE(memoShown);
}

TEST_F(ReportFormTest, TheWindowWaitsForTheViewersWordAndFallsBackWhenNoneComes) {
    // The document arrives while the window is open.
    FakeViewer* v = &UseFakeViewer();
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        EXPECT_EQ(r.Display(), ReportDisplay::Waiting);
        v->OnDocumentComplete();
        EXPECT_EQ(r.Display(), ReportDisplay::Browser);
        // A later error, of a link the user followed, changes nothing.
        v->OnNavigateError(1);
        EXPECT_EQ(r.Display(), ReportDisplay::Browser);
        r.CloseBtn.Click();
    }));

    // Nothing arrives in time: the readable view.
    v = &UseFakeViewer();
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        EXPECT_EQ(r.Display(), ReportDisplay::Waiting);
        r.ViewTimerTimer();
        EXPECT_EQ(r.Display(), ReportDisplay::Readable);
        EXPECT_NE(r.ReportTextView.Text().find("Quorvik 6 Report"), std::string::npos);
        r.CloseBtn.Click();
    }));

    // An error page that completes after the error is no document.
    v = &UseFakeViewer();
    v->errorOnNavigate = true;
    v->completeOnNavigate = true;
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        EXPECT_EQ(r.Display(), ReportDisplay::Readable);
        r.CloseBtn.Click();
    }));

    // A viewer that cannot be created is not asked to navigate.
    v = &UseFakeViewer();
    v->createWorks = false;
    ASSERT_TRUE(OpenReport([&](TReportForm& r) {
        EXPECT_EQ(r.Display(), ReportDisplay::Readable);
        EXPECT_TRUE(v->targets.empty());
        r.CloseBtn.Click();
    }));
}

} // namespace
} // namespace qv
