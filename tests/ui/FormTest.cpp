// The thin control layer: finding controls by name, the one dispatch place
// with its error handler, hints, and text through the ANSI boundary.
#include "base/Errors.h"
#include "support/TestSupport.h"
#include "ui/Form.h"
#include "ui/LinkLabel.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

// Counts the moves its window is asked for.
struct CountingButton : ui::Button {
    int moves = 0;
    std::optional<LRESULT> HandleMessage(UINT msg, WPARAM, LPARAM) override {
        if (msg == WM_WINDOWPOSCHANGING) ++moves;
        return std::nullopt;
    }
};

class SmallForm : public ui::Form {
  public:
    explicit SmallForm(bool lateToolTip = false) {
        lateToolTip_ = lateToolTip;
        CreateFrame(L"QvSmallTestForm", "Test", 300, 200, RGB(0xF5, 0xF5, 0xF5), {});
        Add(Box, {.name = "Box", .width = 300, .height = 200});
        Add(First,
            {.name = "Same", .parent = &Box, .left = 10, .top = 10, .width = 80, .height = 24});
        Add(Second,
            {.name = "Same", .parent = &Box, .left = 10, .top = 40, .width = 80, .height = 24});
        Add(Check,
            {.name = "Check", .parent = &Box, .left = 10, .top = 70, .width = 80, .height = 20});
        Add(Combo,
            {.name = "Combo", .parent = &Box, .left = 10, .top = 100, .width = 120, .height = 120});
    }
    ~SmallForm() override { Destroy(); }
    using ui::Form::CreateToolTip;
    int resizes = 0;
    std::vector<WORD> keys;

    ui::Panel Box;
    CountingButton First;
    ui::Button Second;
    ui::CheckBox Check;
    ui::ComboBox Combo;

  protected:
    void OnResize() override {
        ++resizes;
        if (resizes == 3)
            throw AppError("Gr\xF6\xDF"
                           "e kaputt");
    }
    bool OnKeyDown(WORD key, HWND) override {
        keys.push_back(key);
        return false;
    }
};

TEST(Form, FindsTheFirstComponentOfANameInCreationOrder) {
    SmallForm f;
    EXPECT_EQ(f.FindComponent("Same"), &f.First);
    EXPECT_EQ(f.FindComponent("Check"), &f.Check);
    EXPECT_EQ(f.FindComponent("same"), nullptr); // names are case-sensitive
    EXPECT_EQ(f.FindComponent("Missing"), nullptr);
    ASSERT_EQ(f.Components().size(), 5u);
    EXPECT_EQ(f.Components()[0], &f.Box);
}

TEST(Form, NotificationsOfNestedControlsReachTheirHandlers) {
    test::ScriptedDialogs dialogs;
    SmallForm f;
    int first = 0, second = 0, checks = 0, changes = 0;
    f.On(f.First, ui::Event::Click, [&](auto&) { ++first; });
    f.On(f.Second, ui::Event::Click, [&](auto&) { ++second; });
    f.On(f.Check, ui::Event::Click, [&](auto&) { checks += f.Check.Checked() ? 1 : 10; });
    f.On(f.Combo, ui::Event::Change, [&](auto&) { ++changes; });
    f.First.Click();
    f.First.Click();
    f.Second.Click();
    f.Check.Click(); // ticked by the click before the handler runs
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(checks, 1);
    f.Combo.Add("a");
    HWND c = f.Combo.Handle();
    ::SendMessageW(::GetParent(c), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(c), CBN_SELCHANGE),
                   (LPARAM)c);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST(Form, AnExceptionInAHandlerIsShownAndTheProgramGoesOn) {
    test::ScriptedDialogs dialogs;
    SmallForm f;
    int calls = 0;
    f.On(f.First, ui::Event::Click, [&](auto&) {
        ++calls;
        throw AppError("Datei nicht gefunden");
    });
    f.First.Click();
    f.First.Click();
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(dialogs.Messages().size(), 2u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Datei nicht gefunden");
    EXPECT_EQ(dialogs.Messages()[0].kind, MsgKind::Error);

    // The same for the size handler.
    dialogs.Clear();
    for (int w : {320, 340, 360, 380})
        f.SetSize(w, 220);
    EXPECT_GE(f.resizes, 4);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Gr\xF6\xDF"
                                          "e kaputt");
}

TEST(Form, PreviewsKeysOfItsOwnControlsOnly) {
    SmallForm f, other;
    ::PostMessageW(f.Check.Handle(), WM_KEYDOWN, VK_F1, 0);
    ::PostMessageW(other.Check.Handle(), WM_KEYDOWN, VK_F3, 0);
    ui::ProcessMessages(&f);
    EXPECT_EQ(f.keys, std::vector<WORD>{VK_F1});
    EXPECT_TRUE(other.keys.empty());
}

// A kind of control of the test's own: it answers one message itself and
// reports it to the form; every other message goes on to its window class.
class AnsweringButton : public ui::Button {
  public:
    std::vector<WPARAM> seen;

  protected:
    std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg != WM_APP) return Button::HandleMessage(msg, wp, lp);
        seen.push_back(wp);
        Raise(ui::Event::Click, {.item = static_cast<int>(wp)});
        return static_cast<LRESULT>(CallBase(WM_GETTEXTLENGTH, 0, 0) + 100);
    }
};

TEST(Controls, AControlHandlesItsOwnMessagesAndRaisesEventsToItsForm) {
    struct AnswerForm : ui::Form {
        AnswerForm() {
            CreateFrame(L"QvAnswerTestForm", "Test", 200, 100, RGB(0xF5, 0xF5, 0xF5), {});
            Add(Box, {.name = "Box", .width = 200, .height = 100});
            Add(Answer, {.name = "Answer", .parent = &Box, .width = 80, .height = 24});
        }
        ~AnswerForm() override { Destroy(); }
        ui::Panel Box;
        AnsweringButton Answer;
    } f;
    std::vector<int> raised;
    f.On(f.Answer, ui::Event::Click, [&](const ui::EventArgs& a) { raised.push_back(a.item); });
    f.Answer.SetCaption("Ja"); // reaches the class: the caption is there
    EXPECT_EQ(::SendMessageW(f.Answer.Handle(), WM_APP, 7, 0), 102);
    EXPECT_EQ(f.Answer.seen, std::vector<WPARAM>{7});
    EXPECT_EQ(raised, std::vector<int>{7});
    // The class's own click still reaches the form through its parent.
    f.Answer.Click();
    EXPECT_EQ(raised, (std::vector<int>{7, -1}));
}

TEST(Controls, TextsCrossTheAnsiBoundaryIntact) {
    SmallForm f;
    f.First.SetCaption("L\xF6schen \xC4nderung \xDF");
    wchar_t w[64] = {};
    ::GetWindowTextW(f.First.Handle(), w, 64);
    EXPECT_STREQ(w, L"L\u00F6schen \u00C4nderung \u00DF");
    EXPECT_EQ(f.First.Caption(), "L\xF6schen \xC4nderung \xDF");
    f.Combo.Add("Schl\xFCssel");
    EXPECT_EQ(f.Combo.Item(0), "Schl\xFCssel");
    EXPECT_EQ(f.Combo.Item(5), "");
    f.SetHint(f.First, "Ausgew\xE4hlt");
    EXPECT_EQ(f.First.Hint(), "Ausgew\xE4hlt");
}

TEST(Controls, HintsBecomeToolTips) {
    SmallForm f;
    auto tipText = [](ui::Form& form, ui::Control& c) {
        wchar_t buf[128] = {};
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = ::GetParent(c.Handle());
        ti.uId = reinterpret_cast<UINT_PTR>(c.Handle());
        ti.lpszText = buf;
        ::SendMessageW(form.ToolTip(), TTM_GETTEXTW, 128, (LPARAM)&ti);
        return std::wstring(buf);
    };
    f.SetHint(f.First, "Ausgew\xE4hlt");
    f.SetHint(f.Check, "Schreibschutz");
    EXPECT_EQ(tipText(f, f.First), L"Ausgew\u00E4hlt");
    EXPECT_EQ(tipText(f, f.Check), L"Schreibschutz");
    f.SetHint(f.First, "Neu");
    EXPECT_EQ(tipText(f, f.First), L"Neu");
    EXPECT_EQ(::SendMessageW(f.ToolTip(), TTM_GETTOOLCOUNT, 0, 0), 2);
    f.SetHint(f.First, "");
    EXPECT_EQ(::SendMessageW(f.ToolTip(), TTM_GETTOOLCOUNT, 0, 0), 1);

    // A form that makes its tool tip window late keeps the hints set before
    // and hands them over, the emptied one not.
    SmallForm late(true);
    late.SetHint(late.Check, "Weg");
    late.SetHint(late.Check, "");
    late.SetHint(late.Second, "Zweiter");
    EXPECT_EQ(late.ToolTip(), nullptr);
    late.CreateToolTip();
    EXPECT_EQ(::SendMessageW(late.ToolTip(), TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(tipText(late, late.Second), L"Zweiter");
}

// A layout puts most controls where they are: those are not moved at all,
// the others are.
TEST(Controls, OnlyBoundsThatChangeMoveTheWindow) {
    SmallForm f;
    const RECT r = f.First.Bounds();
    const int w = r.right - r.left, h = r.bottom - r.top;
    f.First.SetBounds(r.left, r.top, w, h);
    f.First.SetLeft(r.left);
    f.First.SetWidth(w);
    EXPECT_EQ(f.First.moves, 0);
    f.First.SetLeft(r.left + 5);
    f.First.SetWidth(w + 7);
    f.First.SetBounds(r.left + 5, r.top + 3, w + 7, h);
    EXPECT_EQ(f.First.moves, 3);
    const RECT moved = f.First.Bounds(),
               want{r.left + 5, r.top + 3, r.left + 5 + w + 7, r.top + 3 + h};
    EXPECT_TRUE(::EqualRect(&moved, &want));
}

// The marks land on their rows whichever way the list sets them: the whole
// list ticked and the rest unticked, or ticked row by row; rows beyond the
// marks keep theirs.
TEST(Controls, CheckMarksReachTheirRows) {
    struct ListForm : ui::Form {
        ListForm() {
            CreateFrame(L"QvListTestForm", "Test", 300, 200, RGB(0xF5, 0xF5, 0xF5), {});
            Add(List, {.name = "List", .width = 300, .height = 200});
            List.SetExtendedStyle(LVS_EX_CHECKBOXES);
            List.AddColumn(100);
            List.AddColumn(100);
        }
        ~ListForm() override { Destroy(); }
        ui::ListView List;
    };
    const struct {
        const char* rows;  // the marks given, then '+' ('-') for a row added (un)ticked
        const char* after; // the marks the rows show afterwards
    } cases[] = {{"", ""},         {"0", "0"},       {"1", "1"},        {"1101", "1101"},
                 {"0010", "0010"}, {"1111", "1111"}, {"10", "10"},      {"110+", "1101"},
                 {"00+", "001"},   {"11-", "110"},   {"0110+", "01101"}};
    for (const auto& c : cases) {
        ListForm f;
        std::vector<char> ticked;
        for (const char* m = c.rows; *m; ++m) {
            if (*m == '+' || *m == '-') {
                EXPECT_EQ(f.List.AddItem("extra", "", *m == '+', 0), int(ticked.size())) << c.rows;
                break;
            }
            EXPECT_EQ(f.List.AddItem("row", "detail", false, 0), int(ticked.size())) << c.rows;
            ticked.push_back(*m == '1' ? 1 : 0);
        }
        f.List.SetCheckMarks(ticked);
        std::string shown;
        for (int r = 0; r < f.List.Count(); ++r)
            shown += f.List.Checked(r) ? '1' : '0';
        EXPECT_EQ(shown, c.after) << c.rows;
        EXPECT_EQ(f.List.ItemText(0, 1),
                  *c.rows && *c.rows != '+' && *c.rows != '-' ? "detail" : "")
            << c.rows;
    }
}

} // namespace
} // namespace qv

TEST(LinkLabel, LinksAreDrawnInAColourThatReadsOnTheirBackground) {
    const COLORREF page = RGB(245, 245, 245), black = RGB(0, 0, 0), white = RGB(255, 255, 255);
    // The background, the link, selection and text colours, the colour drawn.
    const COLORREF cases[][5] = {
        {page, RGB(0, 102, 204), RGB(0, 120, 215), black, RGB(0, 102, 204)},    // Windows'
        {black, RGB(255, 255, 0), RGB(26, 235, 255), white, RGB(255, 255, 0)},  // high contrast
        {page, RGB(224, 224, 224), RGB(48, 150, 250), black, RGB(30, 96, 160)}, // Wine's: darker
        {black, black, black, white, white}, // nothing blue reads
    };
    for (const auto& c : cases)
        EXPECT_EQ(qv::ui::ReadableLinkColor(c[0], c[1], c[2], c[3]), c[4]) << std::hex << c[1];
}
