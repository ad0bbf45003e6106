// What a screen reader reads of every window of the program: each control
// and each row of each list is asked through the system's accessibility
// interface and through the window's own messages, as another program would.
#include "EveryWindow.h"

#include "base/Handles.h"
#include "base/WinText.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <map>

namespace qv {
namespace {

struct Accessible {
    IAccessible* acc = nullptr;
    explicit Accessible(HWND w) {
        EnsureComApartment();
        ::AccessibleObjectFromWindow(w, OBJID_CLIENT, __uuidof(IAccessible),
                                     reinterpret_cast<void**>(&acc));
    }
    ~Accessible() {
        if (acc) acc->Release();
    }
    std::string Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*),
                     long child = CHILDID_SELF) const {
        VARIANT v{};
        v.vt = VT_I4;
        v.lVal = child;
        BSTR s = nullptr;
        if (!acc || FAILED((acc->*get)(v, &s)) || !s) return {};
        std::string text = FromWide(s);
        ::SysFreeString(s);
        return text;
    }
    std::string Name(long child = CHILDID_SELF) const {
        return Text(&IAccessible::get_accName, child);
    }
    std::string Description(long child) const {
        return Text(&IAccessible::get_accDescription, child);
    }
    long Children() const {
        long n = -1;
        return acc && SUCCEEDED(acc->get_accChildCount(&n)) ? n : -1;
    }
    long State(long child) const {
        VARIANT v{}, s{};
        v.vt = VT_I4;
        v.lVal = child;
        return acc && SUCCEEDED(acc->get_accState(v, &s)) && s.vt == VT_I4 ? s.lVal : -1;
    }
};

std::string WindowText(HWND w) {
    wchar_t buf[512] = {};
    ::GetWindowTextW(w, buf, 512);
    return FromWide(buf);
}

std::string ClassOf(HWND w) {
    wchar_t cls[64] = {};
    ::GetClassNameW(w, cls, 64);
    return FromWide(cls);
}

// The texts of a list's rows through the window's own messages.
std::vector<std::string> Rows(HWND w, const std::string& cls) {
    std::vector<std::string> rows;
    wchar_t buf[1024];
    if (cls == "ListBox" || cls == "ComboBox") {
        const bool combo = cls == "ComboBox";
        const int n = int(::SendMessageW(w, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            buf[0] = 0;
            ::SendMessageW(w, combo ? CB_GETLBTEXT : LB_GETTEXT, i, (LPARAM)buf);
            rows.push_back(FromWide(buf));
        }
    } else if (cls == "SysListView32") {
        for (int i = 0; i < ListView_GetItemCount(w); ++i) {
            LVITEMW item{};
            item.pszText = buf;
            item.cchTextMax = 1024;
            buf[0] = 0;
            ::SendMessageW(w, LVM_GETITEMTEXTW, i, (LPARAM)&item);
            rows.push_back(FromWide(buf));
        }
    } else if (cls == "SysTabControl32") {
        for (int i = 0; i < TabCtrl_GetItemCount(w); ++i) {
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = buf;
            item.cchTextMax = 1024;
            buf[0] = 0;
            ::SendMessageW(w, TCM_GETITEMW, i, (LPARAM)&item);
            rows.push_back(FromWide(buf));
        }
    }
    return rows;
}

bool RowIsBlank(HWND list, int row) {
    wchar_t buf[256];
    const int columns = Header_GetItemCount(ListView_GetHeader(list));
    for (int c = 0; c < columns; ++c) {
        LVITEMW item{};
        item.iSubItem = c;
        item.pszText = buf;
        item.cchTextMax = 256;
        if (::SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&item) > 0) return false;
    }
    return true;
}

// How each kind of window must be readable: by its own text, by the name
// the accessibility interface gives it (for those whose text is no name),
// and whether its rows must be.
struct Rule {
    bool text, name, rows;
};
const std::map<std::string, Rule> kRules = {
    {"Button", {true, false, false}},
    {"Edit", {false, true, false}},
    {"ComboBox", {false, true, true}},
    {"ListBox", {false, false, true}},
    {"SysListView32", {false, false, true}},
    {"SysTabControl32", {false, false, true}},
    {"msctls_progress32", {false, true, false}},
    {"QvTextView", {false, true, false}},
};

class AccessibilityTest : public test::EveryWindowFixture {};

TEST_F(AccessibilityTest, EveryControlAndEveryRowOfEveryWindowIsReadable) {
    std::map<std::string, int> seen;
    int tickedRows = 0, markedRows = 0;
    // An autostart entry for the list to show.
    runValues = {"QvReadA"};
    SetRunValue("QvReadA", "c:\\a.exe");
    ForEachWindow([&](ui::Form& window, const std::string& which) {
        std::function<void(HWND)> walk = [&](HWND parent) {
            for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
                walk(w);
                const ui::Control* control = ui::Control::FromHandle(w);
                const std::string cls = ClassOf(w), where = which + ": " + cls + " " +
                                                            (control ? control->Name() : "");
                const LONG style = ::GetWindowLongW(w, GWL_STYLE);
                Accessible acc(w);
                if (cls == "Static") {
                    // An empty text label shows nothing; a picture shows
                    // something and needs a name.
                    const bool picture =
                        (style & SS_TYPEMASK) == SS_BITMAP || (style & SS_TYPEMASK) == SS_ICON;
                    if (picture) {
                        EXPECT_NE(acc.Name(), "") << where;
                    }
                    ++seen[cls];
                    continue;
                }
                auto rule = kRules.find(cls);
                if (rule == kRules.end()) {
                    // Panels and a list's header; what the keyboard stops at
                    // (the splitter) is named.
                    if (style & WS_TABSTOP) {
                        EXPECT_NE(acc.Name(), "") << where;
                    }
                    continue;
                }
                ++seen[cls];
                if (rule->second.text) {
                    EXPECT_NE(WindowText(w), "") << where;
                }
                if (rule->second.name) {
                    EXPECT_NE(acc.Name(), "") << where;
                }
                if (!rule->second.rows) continue;
                if (cls == "ComboBox") {
                    // Its label, not the item it shows.
                    EXPECT_NE(acc.Name(), WindowText(w)) << where;
                }
                const std::vector<std::string> rows = Rows(w, cls);
                for (size_t i = 0; i < rows.size(); ++i) {
                    // The system information keeps blank lines between its parts.
                    if (cls == "SysListView32" && rows[i].empty() && RowIsBlank(w, int(i)))
                        continue;
                    EXPECT_NE(rows[i], "") << where << " row " << i;
                }
                const bool ticks = cls == "SysListView32" &&
                                   (ListView_GetExtendedListViewStyle(w) & LVS_EX_CHECKBOXES);
                auto* checks = dynamic_cast<ui::CheckListBox*>(ui::Control::FromHandle(w));
                // A list whose pictures mean something says what they mean.
                const bool marks =
                    cls == "SysListView32" && control && control->AccessibleItemCount() >= 0;
                for (int i = 0; i < int(rows.size()); ++i) {
                    if (marks) {
                        const int image = static_cast<const ui::ListView*>(control)->ItemImage(i);
                        const std::string mark =
                            model.LanguageTable[image == 1 ? Lng::KnownMarkName
                                                           : Lng::UnknownMarkName];
                        EXPECT_EQ(acc.Children(), long(rows.size())) << where;
                        EXPECT_EQ(acc.Name(i + 1), rows[size_t(i)]) << where << " row " << i;
                        EXPECT_EQ(acc.Description(i + 1).rfind(mark, 0), 0u)
                            << where << " row " << i << ": " << acc.Description(i + 1);
                        EXPECT_EQ((acc.State(i + 1) & STATE_SYSTEM_CHECKED) != 0,
                                  ListView_GetCheckState(w, i) != 0)
                            << where << " row " << i;
                        ++markedRows;
                    }
                    if (ticks) {
                        // The proxy of a list view reads the mark from the row's state image.
                        EXPECT_NE(ListView_GetItemState(w, i, LVIS_STATEIMAGEMASK), 0u)
                            << where << " row " << i;
                        tickedRows += ListView_GetCheckState(w, i) ? 1 : 0;
                    }
                    if (checks) {
                        // A list that draws its marks tells them itself.
                        EXPECT_EQ(acc.Children(), long(rows.size())) << where;
                        EXPECT_EQ(acc.Name(i + 1), rows[size_t(i)]) << where << " row " << i;
                        EXPECT_EQ((acc.State(i + 1) & STATE_SYSTEM_CHECKED) != 0,
                                  checks->Checked(i))
                            << where << " row " << i;
                        tickedRows += checks->Checked(i) ? 1 : 0;
                    }
                }
            }
        };
        walk(window.Handle());
    });
    // Every kind of control was met, and the marks of both kinds of list.
    for (const auto& [cls, rule] : kRules)
        EXPECT_GT(seen[cls], 0) << cls;
    EXPECT_GE(tickedRows, 2);
    EXPECT_GE(markedRows, 1);
}

} // namespace
} // namespace qv
