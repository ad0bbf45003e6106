// The read-only text view: how a text becomes its lines, and scrolling with
// the keys, the wheel and the bar, through real window messages.
#include "support/TestSupport.h"
#include "ui/Form.h"
#include "ui/TextView.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

class ViewForm : public ui::Form {
  public:
    ViewForm() {
        CreateFrame(L"QvTextViewTestForm", "Test", 400, 300, RGB(255, 255, 255), {});
        Add(View, {.name = "View", .width = 300, .height = 200});
        font_ = ui::CreateFontHandle({L"Courier New", 13});
        View.SetFont(font_.get());
    }
    ~ViewForm() override { Destroy(); }
    ui::TextView View;

  private:
    FontHandle font_;
};

std::vector<std::string> LinesOf(const ui::TextView& v) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < v.LineCount(); ++i)
        lines.push_back(v.Line(i));
    return lines;
}

TEST(TextView, EveryKindOfLineEndEndsALineAndTabsBecomeColumns) {
    ViewForm f;
    using L = std::vector<std::string>;
    f.View.SetText("eins\r\nzwei\rdrei\nvier");
    EXPECT_EQ(LinesOf(f.View), (L{"eins", "zwei", "drei", "vier"}));
    f.View.SetText("a\r\n\r\nb\r\n");
    EXPECT_EQ(LinesOf(f.View), (L{"a", "", "b"})); // the last ending opens no line
    EXPECT_EQ(f.View.Text(), "a\r\n\r\nb");
    f.View.SetText("");
    EXPECT_EQ(f.View.LineCount(), 0u);
    f.View.SetText("\tx\tyz\t!\r\nGr\xFC\xDF"
                   "e");
    EXPECT_EQ(LinesOf(f.View), (L{"        x       yz      !", "Gr\xFC\xDF"
                                                               "e"}));
}

TEST(TextView, TheKeysTheWheelAndTheBarScrollWithinTheText) {
    ViewForm f;
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "Zeile " + std::to_string(i) + "\r\n";
    f.View.SetText(text);
    ASSERT_EQ(f.View.LineCount(), 1000u);
    const size_t page = f.View.VisibleLines();
    ASSERT_GT(page, 3u);
    ASSERT_LT(page, 100u);
    HWND h = f.View.Handle();
    auto key = [&](WPARAM k) { ::SendMessageW(h, WM_KEYDOWN, k, 0); };

    key(VK_DOWN);
    EXPECT_EQ(f.View.TopLine(), 1u);
    key(VK_NEXT);
    EXPECT_EQ(f.View.TopLine(), 1 + page);
    key(VK_PRIOR);
    key(VK_PRIOR);
    EXPECT_EQ(f.View.TopLine(), 0u); // not before the first line
    key(VK_UP);
    EXPECT_EQ(f.View.TopLine(), 0u);

    // The wheel: three lines a notch, down for a turn towards the user.
    ::SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)), 0);
    EXPECT_EQ(f.View.TopLine(), 6u);
    ::SendMessageW(h, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(f.View.TopLine(), 1000 - page); // the last page ends with the last line
    key(VK_DOWN);
    EXPECT_EQ(f.View.TopLine(), 1000 - page);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(::GetScrollInfo(h, SB_VERT, &si));
    EXPECT_EQ(si.nMax, 999);
    EXPECT_EQ(si.nPage, page);
    EXPECT_EQ(static_cast<size_t>(si.nPos), 1000 - page);
    ::SendMessageW(h, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(f.View.TopLine(), 0u);

    // A new text starts at its beginning again.
    f.View.ScrollTo(500);
    EXPECT_EQ(f.View.TopLine(), 500u);
    f.View.SetText("kurz");
    EXPECT_EQ(f.View.TopLine(), 0u);
    key(VK_NEXT);
    EXPECT_EQ(f.View.TopLine(), 0u);
}

} // namespace
} // namespace qv
