#pragma once
// The firmware identification this program carries and expects the box to report. The
// window title and the About box show it; the version judgement compares its first 17
// characters.

#include <string_view>

namespace kx {

inline constexpr std::string_view kIdentification = "KX_VELDRAN V02.73A";

}  // namespace kx
