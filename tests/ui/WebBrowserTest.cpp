// The web browser control hosted on a window of ours, as this Wine prefix
// has it: without an HTML engine (the scripts switch mshtml off). What the
// report window relies on to see that: the control is created and takes
// the path, and says during Navigate that it cannot show the file.
#include "support/TestSupport.h"
#include "ui/Form.h"
#include "ui/WebBrowser.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

class HostForm : public ui::Form {
  public:
    HostForm() {
        CreateFrame(L"QvBrowserTestForm", "Test", 400, 300, RGB(255, 255, 255), {});
        Add(Host, {.name = "Host", .width = 380, .height = 260});
    }
    ~HostForm() override { Destroy(); }
    ui::Panel Host;
};

TEST(WebBrowser, WithoutAnHtmlEngineTheControlSaysSoDuringNavigate) {
    test::TempDir dir;
    test::WriteBytes(dir / "page.html", "<html><body>Hallo</body></html>\r\n");
    HostForm f;
    std::vector<long> errors;
    int completes = 0;
    {
        ui::WebBrowser browser;
        browser.OnNavigateError = [&](long status) { errors.push_back(status); };
        browser.OnDocumentComplete = [&] { ++completes; };
        ASSERT_TRUE(browser.Create(f.Host.Handle()));
        EXPECT_NE(::GetWindow(f.Host.Handle(), GW_CHILD), nullptr) << "the control's window";
        EXPECT_TRUE(browser.Navigate(dir / "page.html"));
        EXPECT_EQ(errors, std::vector<long>{static_cast<long>(0x80040154)});
        f.Host.SetBounds(0, 0, 200, 100);
        browser.Fit();
        ui::ProcessMessages(&f);
        EXPECT_EQ(completes, 0);
    }
    // Gone with the viewer: a late event has nobody to reach.
    ui::ProcessMessages(&f);
    EXPECT_EQ(errors.size(), 1u);

    // A second viewer on the same window works the same.
    ui::WebBrowser again;
    again.OnNavigateError = [&](long status) { errors.push_back(status); };
    ASSERT_TRUE(again.Create(f.Host.Handle()));
    EXPECT_TRUE(again.Navigate(dir / "missing.html"));
    EXPECT_EQ(errors.size(), 2u);
}

TEST(WebBrowser, NoHostNoControl) {
    ui::WebBrowser browser;
    EXPECT_FALSE(browser.Create(nullptr));
    EXPECT_FALSE(browser.Navigate("C:\\x.html"));
    browser.Fit();
}

} // namespace
} // namespace qv
