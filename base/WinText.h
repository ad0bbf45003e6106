#pragma once
// The one boundary between the ANSI data model and the Unicode windows:
// controls get and give wide text; everything else keeps ANSI bytes in the
// system code page.
#include <string>
#include <string_view>

namespace qv {

std::wstring ToWide(std::string_view ansi);
std::string FromWide(std::wstring_view wide);

} // namespace qv
