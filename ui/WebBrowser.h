#pragma once
// An HTML viewer on a window of the program: the small interface a window
// shows a document through, and the system's web browser control behind it
// (CLSID_WebBrowser, hosted by OLE in-place activation). The viewer only
// reports what the control says; whether that means the document is shown
// is the window's decision.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace qv::ui {

class HtmlViewer {
  public:
    virtual ~HtmlViewer() = default;
    // Creates the viewer filling the client area of `host`, a window of the
    // caller's that outlives it. False when it cannot be created there.
    virtual bool Create(HWND host) = 0;
    // Starts loading the document at `target` (a plain path or an address,
    // ANSI). False when the viewer refused it. Events may arrive before it
    // returns.
    virtual bool Navigate(const std::string& target) = 0;
    // Fits the viewer to its host's client area again.
    virtual void Fit() = 0;

    // What the viewer reports while it loads; set them before Navigate.
    std::function<void(long status)> OnNavigateError; // any frame failed to load
    std::function<void()> OnDocumentComplete;         // the top frame's document is there
};

class WebBrowser final : public HtmlViewer {
  public:
    WebBrowser();
    ~WebBrowser() override;
    WebBrowser(const WebBrowser&) = delete;
    WebBrowser& operator=(const WebBrowser&) = delete;

    bool Create(HWND host) override;
    bool Navigate(const std::string& target) override;
    void Fit() override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace qv::ui
