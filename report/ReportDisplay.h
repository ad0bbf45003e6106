#pragma once
// Whether the report window shows the document in its browser control or
// the readable view (ReportViewText) instead. The window feeds in what it
// has seen of the control and copies the answer onto its controls. Pure
// code.
//
// What the control does where it cannot render, as seen under Wine without
// its HTML engine: creating CLSID_WebBrowser, in-place activation and
// Navigate all succeed; during the Navigate call the control fires
// BeforeNavigate2 and then NavigateError (status 0x80040154, class not
// registered, for a file that exists), never NavigateComplete2 or
// DocumentComplete, ReadyState stays READYSTATE_LOADING and get_Document
// gives no document. Where it renders, NavigateComplete2 and
// DocumentComplete follow while messages are processed.

namespace qv {

struct BrowserProgress {
    bool created = false;          // created and in-place activated
    bool navigated = false;        // Navigate returned success
    bool navigateError = false;    // a NavigateError event arrived
    bool documentComplete = false; // DocumentComplete for the top frame arrived
    bool waitEnded = false;        // the window stopped waiting for either
};

enum class ReportDisplay {
    Waiting,  // keep processing messages
    Browser,  // the document is shown
    Readable, // show the readable view instead
};

// A NavigateError decides even when a DocumentComplete follows it: a
// browser that cannot show the file completes its own error page.
constexpr ReportDisplay ChooseReportDisplay(const BrowserProgress& p) {
    if (!p.created || !p.navigated || p.navigateError) return ReportDisplay::Readable;
    if (p.documentComplete) return ReportDisplay::Browser;
    return p.waitEnded ? ReportDisplay::Readable : ReportDisplay::Waiting;
}

} // namespace qv
