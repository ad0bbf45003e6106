#pragma once
// The product's name and version, shown in titles and on the about page.

namespace qv {

inline constexpr const char* kAppTitle = "Quorvik 6";
inline constexpr const char* kVersion = "6.02";

} // namespace qv
