#pragma once
// A read-only view of a long text in a fixed-pitch font. It draws only the
// lines in sight, so a text of any length shows at once (an edit control
// takes half a minute under Wine to take in twenty megabytes). It scrolls
// with its bars, the mouse wheel and the cursor keys.
#include "ui/Controls.h"

#include <string>
#include <string_view>

namespace qv::ui {

// The window class of text views, registered on first use.
extern const wchar_t kTextViewClass[];
void RegisterTextViewClass();

class TextView : public Control {
  public:
    TextView() { RegisterTextViewClass(); }
    WindowKind Kind() const override {
        return {kTextViewClass, WS_VSCROLL | WS_HSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    }

    // The text, ANSI; CR LF, a lone CR and a lone LF each end a line, and a
    // tab moves to the next multiple of eight columns. Shown from its start.
    void SetText(std::string_view ansi);
    size_t LineCount() const;
    // A line as shown (tabs expanded), ANSI; empty past the last.
    std::string Line(size_t index) const;
    // The whole text as shown, lines joined by CR LF.
    std::string Text() const;
    // The first line in sight, and how many fit.
    size_t TopLine() const;
    size_t VisibleLines() const;
    // Scrolls so that the line is the first in sight, as far as the text
    // allows.
    void ScrollTo(size_t line);

    // A screen reader reads the lines in sight: the view draws them itself,
    // so no proxy knows them.
    std::optional<std::string> AccessibleValue() const override;
    bool Speaks() const override { return true; }
};

} // namespace qv::ui
