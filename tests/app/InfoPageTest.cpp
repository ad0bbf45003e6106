// The main window's third page, driven through its real controls: the
// system information list against scripted figures, the about block's links
// and the banner, and how the page looks where that is a rule.
#include "model/AppModel.h"
#include "support/Model.h"
#include "app/MainUnit.h"
#include "base/Files.h"
#include "database/KnownEntries.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace qv {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

SystemFigures XpFigures() {
    SystemFigures f;
    f.memory = {37, 512ull << 20, 300000000, 2147352576ull, 2000000000};
    f.version = {kPlatformNT, 5, 1, 2600, kProductWorkstation, "Service Pack 2"};
    return f;
}

SystemFigures NineEightFigures() {
    SystemFigures f;
    f.memory = {91, 64ull << 20, 1048575, 3ull << 30, 5ull << 20};
    f.version = {kPlatformWin9x, 4, 10, 2222, 0, " a "};
    f.hasVersionValue = true;
    f.versionNumber = "4.10.2222";
    return f;
}

class InfoPageTest : public test::ModelTest {
  protected:
    void SetUp() override {
        lng_ = test::ReadBytes(ExecutableDir() + "qv6.lng");
        ASSERT_NE(lng_, "<missing>");
    }
    void TearDown() override { form.reset(); }
    TMainForm& Open(const std::string& lng) {
        test::WriteBytes(dir / "qv6.lng", lng);
        form = std::make_unique<TMainForm>(model);
        form->OpenLink = [this](const std::string& t) { opened.push_back(t); };
        form->OpenDocument = [this](const std::string& t) { opened.push_back("document " + t); };
        form->ReadFigures = [this] { return figures; };
        form->UpdateCheck = [this](const std::string& appDir, const std::string& base) {
            updateChecks.push_back(appDir + " " + base);
            return updateEndsProgram;
        };
        EXPECT_TRUE(form->Create(dir.Path(), false));
        Pump();
        return *form;
    }
    TMainForm& Open() { return Open(lng_); }
    void Pump() { ui::ProcessMessages(form.get()); }
    void ClickTab(int index) {
        RECT r{};
        TabCtrl_GetItemRect(form->Tab.Handle(), index, &r);
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::PostMessageW(form->Tab.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(form->Tab.Handle(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    // A press of the left mouse button on the control, as the user clicks.
    void ClickOn(const ui::Control& c) {
        ::PostMessageW(c.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::PostMessageW(c.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        Pump();
    }
    Rows ListRows() {
        Rows rows;
        for (int r = 0; r < form->InfoPage().SysInfoList.Count(); ++r)
            rows.emplace_back(form->InfoPage().SysInfoList.ItemText(r, 0),
                              form->InfoPage().SysInfoList.ItemText(r, 1));
        return rows;
    }
    // Whether the form's tool tip has a tool for the control, and its text.
    std::optional<std::wstring> ToolText(const ui::Control& c) {
        std::vector<wchar_t> text(1024, L'\0');
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = ::GetParent(c.Handle());
        ti.uId = reinterpret_cast<UINT_PTR>(c.Handle());
        ti.lpszText = text.data();
        if (!::SendMessageW(form->ToolTip(), TTM_GETTOOLINFOW, 0, (LPARAM)&ti)) return std::nullopt;
        return std::wstring(text.data());
    }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
    std::vector<std::string> opened;
    std::vector<std::string> updateChecks;
    bool updateEndsProgram = false;
    SystemFigures figures = XpFigures();
    std::string lng_;
};

TEST_F(InfoPageTest, TheListIsBuiltAnewOnEveryVisitAndTheVersionSetFromTheFirst) {
    TMainForm& f = Open();
    EXPECT_EQ(f.InfoPage().QVVersionLbl.Caption(), "");
    EXPECT_EQ(f.InfoPage().SysInfoList.Count(), 0);

    const std::string load = model.LanguageTable[LineAt(54)],
                      phys = model.LanguageTable[LineAt(55)],
                      avail = model.LanguageTable[LineAt(56)],
                      virt = model.LanguageTable[LineAt(57)];
    const Rows xp = {{load, "37 %"},      {"", ""}, {phys, "512 MB"},
                     {avail, "286 MB"},   {"", ""}, {virt, "2047 MB"},
                     {avail, "1907 MB"},  {"", ""}, {"Windows XP", ""},
                     {"Servicepack", "2"}};
    ClickTab(2);
    EXPECT_EQ(f.InfoPage().QVVersionLbl.Caption(), "6.02");
    EXPECT_EQ(ListRows(), xp);

    // Another visit of the same machine: the same rows, not twice as many.
    ClickTab(0);
    ClickTab(2);
    EXPECT_EQ(ListRows(), xp);

    // The machine has changed in between: nothing of the earlier list stays.
    figures = NineEightFigures();
    ClickTab(1);
    EXPECT_EQ(ListRows(), xp) << "only page 2 fills the list";
    ClickTab(2);
    EXPECT_EQ(ListRows(), (Rows{{load, "91 %"},
                                {"", ""},
                                {phys, "64 MB"},
                                {avail, "0 MB"},
                                {"", ""},
                                {virt, "3072 MB"},
                                {avail, "5 MB"},
                                {"", ""},
                                {"Windows 98", " A "},
                                {"Version", "4.10.2222"}}));
    EXPECT_EQ(f.InfoPage().QVVersionLbl.Caption(), "6.02");
}

TEST_F(InfoPageTest, TheRealMachineFillsTheListToo) {
    TMainForm& f = Open();
    f.ReadFigures = nullptr;
    ClickTab(2);
    ASSERT_GE(f.InfoPage().SysInfoList.Count(), 9);
    EXPECT_EQ(f.InfoPage().SysInfoList.ItemText(0, 0), model.LanguageTable[LineAt(54)]);
    EXPECT_NE(f.InfoPage().SysInfoList.ItemText(0, 1).find(" %"), std::string::npos);
    EXPECT_NE(f.InfoPage().SysInfoList.ItemText(2, 1).find(" MB"), std::string::npos);
}

TEST_F(InfoPageTest, EveryLinkOpensItsTargetAndTheBannerTheSponsorsPage) {
    TMainForm& f = Open();
    EXPECT_EQ(f.InfoPage().QVWebsiteLbl.Caption(), "www.quorvik.de");
    EXPECT_EQ(f.InfoPage().QVEmailLbl.Caption(), "info@quorvik.de");
    EXPECT_EQ(f.InfoPage().QVBugreportMailLbl.Caption(), "bugs@quorvik.de");
    EXPECT_EQ(f.InfoPage().SponsorLbl.Caption(), "www.quorvik-partner.de");

    for (ui::Control* c : std::initializer_list<ui::Control*>{
             &f.InfoPage().QVWebsiteLbl, &f.InfoPage().QVEmailLbl, &f.InfoPage().QVBugreportMailLbl,
             &f.InfoPage().SponsorLbl, &f.AdImg})
        ClickOn(*c);
    const std::string sponsor = "http://www.quorvik.de/relocator.php?source=QV6";
    EXPECT_EQ(opened, (std::vector<std::string>{"http://www.quorvik.de", "mailto:info@quorvik.de",
                                                "mailto:bugs@quorvik.de", sponsor, sponsor}));

    // The pictures of the page and of the bottom strip, the labels that are
    // no links and the update button open nothing and ask nothing.
    opened.clear();
    for (ui::Control* c : std::initializer_list<ui::Control*>{
             &f.InfoPage().Image1, &f.QVBanner, &f.InfoPage().Label2, &f.InfoPage().QVVersionLbl,
             &f.InfoPage().CPLbl})
        ClickOn(*c);
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(InfoPageTest, TheUpdateButtonAsksTheServerOfTheSettingsAndEndsTheProgramForTheUpdater) {
    test::WriteBytes(dir / "qv6.ini", "[Server]\r\nHost=updates.example.org:8080\r\n");
    TMainForm& f = Open();
    f.InfoPage().QVUpdateBtn.Click();
    Pump();
    EXPECT_EQ(updateChecks,
              std::vector<std::string>{dir.Path() + " http://updates.example.org:8080/"});
    EXPECT_TRUE(::IsWindow(f.Handle())) << "no update: the program goes on";

    updateEndsProgram = true;
    f.InfoPage().QVUpdateBtn.Click();
    Pump();
    EXPECT_EQ(updateChecks.size(), 2u);
    EXPECT_FALSE(f.Handle() && ::IsWindow(f.Handle())) << "the updater takes over";
}

TEST_F(InfoPageTest, TheSettingsFileChangesTheServerAndTheAddresses) {
    test::WriteBytes(dir / "qv6.ini", "[Server]\r\nHost=test.example.org\r\nMail=\r\n"
                                      "BugMail= fehler@example.org \r\n");
    TMainForm& f = Open();
    EXPECT_EQ(f.InfoPage().QVWebsiteLbl.Caption(), "test.example.org");
    EXPECT_EQ(f.InfoPage().QVEmailLbl.Caption(),
              "info@quorvik.de"); // an empty key keeps the default
    EXPECT_EQ(f.InfoPage().QVBugreportMailLbl.Caption(), "fehler@example.org");
    for (ui::Control* c : std::initializer_list<ui::Control*>{
             &f.InfoPage().QVWebsiteLbl, &f.InfoPage().QVEmailLbl, &f.InfoPage().QVBugreportMailLbl,
             &f.InfoPage().SponsorLbl, &f.AdImg})
        ClickOn(*c);
    const std::string sponsor = "http://test.example.org/relocator.php?source=QV6";
    EXPECT_EQ(opened, (std::vector<std::string>{"http://test.example.org", "mailto:info@quorvik.de",
                                                "mailto:fehler@example.org", sponsor, sponsor}));
    // Read only once, at start-up: a later change waits for the next start.
    test::WriteBytes(dir / "qv6.ini", "[Server]\r\nHost=later.example.org\r\n");
    opened.clear();
    ClickOn(f.InfoPage().QVWebsiteLbl);
    EXPECT_EQ(opened, std::vector<std::string>{"http://test.example.org"});
}

TEST_F(InfoPageTest, LinkLabelsAreBlueUnderlinedRegularWithTheHand) {
    TMainForm& f = Open();
    HDC dc = ::CreateCompatibleDC(nullptr);
    for (ui::LinkLabel* l : {&f.InfoPage().QVWebsiteLbl, &f.InfoPage().QVEmailLbl,
                             &f.InfoPage().QVBugreportMailLbl, &f.InfoPage().SponsorLbl}) {
        LOGFONTW lf{};
        auto font = reinterpret_cast<HFONT>(::SendMessageW(l->Handle(), WM_GETFONT, 0, 0));
        ASSERT_EQ(::GetObjectW(font, sizeof lf, &lf), int(sizeof lf)) << l->Name();
        EXPECT_TRUE(lf.lfUnderline) << l->Name();
        EXPECT_EQ(lf.lfWeight, FW_NORMAL) << l->Name();
        EXPECT_EQ(lf.lfHeight, -12) << l->Name();
        EXPECT_STREQ(lf.lfFaceName, L"Arial") << l->Name();
        // The colour the label is drawn in, as the form answers it.
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SendMessageW(f.Handle(), WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)l->Handle());
        EXPECT_EQ(::GetTextColor(dc),
                  ui::ReadableLinkColor(f.BackgroundColor(), ::GetSysColor(COLOR_HOTLIGHT),
                                        ::GetSysColor(COLOR_HIGHLIGHT),
                                        ::GetSysColor(COLOR_WINDOWTEXT)))
            << l->Name();
        // The hand over the link, the arrow over a plain label.
        ::SetCursor(::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW));
        ::SendMessageW(f.InfoPage().Page2MainPnl.Handle(), WM_SETCURSOR, (WPARAM)l->Handle(),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, (LPCWSTR)IDC_HAND)) << l->Name();
        // Only the text is the link.
        EXPECT_LT(l->Width(), 226) << l->Name();
    }
    ::SetCursor(::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW));
    ::SendMessageW(f.InfoPage().Page2MainPnl.Handle(), WM_SETCURSOR,
                   (WPARAM)f.InfoPage().Label2.Handle(), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(::GetCursor(), ::LoadCursorW(nullptr, (LPCWSTR)IDC_HAND));
    ::DeleteDC(dc);
}

TEST_F(InfoPageTest, TheLanguageLinesGoOntoThePageWhoseHintsStaySilent) {
    TMainForm& f = Open(test::NumberedLanguageFile());
    EXPECT_EQ(f.InfoPage().CPLbl.Caption(), "Zeile 119");
    EXPECT_EQ(f.InfoPage().QVUpdateBtn.Caption(), "Zeile 120");
    EXPECT_EQ(f.InfoPage().QVUpdateBtn.Hint(), "Zeile 121"); // stored ...
    EXPECT_FALSE(ToolText(f.InfoPage().QVUpdateBtn));        // ... but never shown
    // Outside the page hints are shown, the banner's among them.
    EXPECT_EQ(ToolText(f.HelpBtn), std::optional<std::wstring>(L"Zeile 80"));
    EXPECT_EQ(ToolText(f.AdImg), std::optional<std::wstring>(L"Unser Sponsor: Quorvik Partner"));

    // The designed places where the fonts let the note keep its lines.
    EXPECT_EQ(f.InfoPage().Page2MainPnl.Bounds().left, 0);
    EXPECT_EQ(f.InfoPage().Page2MainPnl.Width(), 382);
    EXPECT_EQ(f.InfoPage().GroupBox1.Bounds().left, 382);
    EXPECT_EQ(f.InfoPage().GroupBox1.Caption(), "Systeminformationen");
    RECT b = f.InfoPage().QVUpdateBtn.Bounds();
    EXPECT_EQ((std::vector<long>{b.left, b.top, b.right - b.left, b.bottom - b.top}),
              (std::vector<long>{95, 284, 192, 37}));
    EXPECT_EQ(f.InfoPage().CPLbl.Width(), 341);
    EXPECT_EQ(f.InfoPage().SysInfoList.ColumnCount(), 2);
    EXPECT_EQ(f.InfoPage().SysInfoList.ColumnWidth(0), 120);
    EXPECT_EQ(f.InfoPage().SysInfoList.ColumnWidth(1),
              f.InfoPage().SysInfoList.ClientWidth() - 120);
}

TEST_F(InfoPageTest, ANoteLongerThanItsPlaceMovesTheUpdateButtonDown) {
    std::string lng = test::NumberedLanguageFile();
    std::string longNote;
    for (int i = 0; i < 60; ++i)
        longNote += "Weitergabe ";
    lng.replace(lng.find("Zeile 119"), 9, longNote);
    TMainForm& f = Open(lng);
    EXPECT_GT(f.InfoPage().CPLbl.Height(), 42);
    EXPECT_GE(f.InfoPage().QVUpdateBtn.Top(),
              f.InfoPage().CPLbl.Top() + f.InfoPage().CPLbl.Height());
    EXPECT_EQ(f.InfoPage().QVUpdateBtn.Width(), 192);
}

} // namespace
} // namespace qv
