#pragma once
#include <windows.h>

namespace qv {

// The main window. Its creation runs the start-up sequence.
class TMainForm {
  public:
    // Creates the window and runs FormCreate. False when start-up must end
    // (the language file is missing); the process then ends with exit code 0.
    bool Create(HINSTANCE instance);
    HWND Handle() const { return hwnd_; }
    ~TMainForm();

    // The start-up sequence; false when the program must end.
    bool FormCreate();

  private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_ = nullptr;
};

// Runs the message loop until the main window closes; returns the exit code.
int RunMessageLoop();

} // namespace qv
