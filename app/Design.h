#pragma once
// The main window's designed values that its strips and pages share, so that
// the pages keep one grey and one button column.
#include <windows.h>

namespace qv::design {

constexpr COLORREF kGreyText = RGB(0x51, 0x51, 0x51);
// The button column at the right of the autostart and process pages.
constexpr int kMenuWidth = 148;
// The refresh buttons carry the tag of the design; their click asks for a
// forced refresh directly.
constexpr int kRefreshTag = 999;

} // namespace qv::design
