#pragma once
// A label that looks and acts like a link in a web page: blue, underlined,
// regular weight, the hand cursor over it, and a click on its text reaches
// the form as a Click event.
#include "ui/Controls.h"

namespace qv::ui {

// The colour a link is drawn in on the background: the system's colour for
// links (so a high-contrast scheme shows them), unless it is too close to
// the background to read (Wine's scheme makes it near white), then the
// selection colour darkened until it reads, and failing that the window's
// text colour.
COLORREF ReadableLinkColor(COLORREF background, COLORREF hotLight, COLORREF highlight,
                           COLORREF text);

class LinkLabel : public Label {
  public:
    // SS_NOTIFY: a static control tells its parent of a click only with it.
    // WS_TABSTOP: the keyboard reaches a link, and Enter or the space bar
    // follows it.
    WindowKind Kind() const override {
        return {L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY | WS_TABSTOP};
    }

    // Gives the created label the link's look in the face and size given
    // (bold and italic of the font given are ignored: a link is drawn regular).
    void SetLinkStyle(const FontStyle& font);
    // Sets the caption and sizes the label to it, so that only the text
    // itself is clickable and shows the hand.
    void SetLinkCaption(std::string_view ansi);

  protected:
    void FitToCaption();
    std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

} // namespace qv::ui
