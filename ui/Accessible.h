#pragma once
// What a screen reader learns of a control beyond the system's own proxy for
// its window class. The proxies know the texts of buttons, labels, edits
// with a label before them and the rows of the standard lists; they cannot
// know the name of a control that has no label of its own (an image, a
// combo box inside its group box), nor the tick marks of a list that draws
// its own rows. For such a control the window answers WM_GETOBJECT with the
// system's proxy wrapped: the wrapper gives what the control knows and hands
// everything else to the proxy.
#include <windows.h>

namespace qv::ui {

// The answer to WM_GETOBJECT for the client area of a control's window
// (`wp` as the message gave it); 0 when no object could be made, so that the
// system falls back to its proxy.
LRESULT AnswerAccessibleObject(HWND hwnd, WPARAM wp);

} // namespace qv::ui
