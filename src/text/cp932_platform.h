// The platform's own CP932 conversion (iconv here). The public conversions in cp932.h use
// tables built from it once, so they map every character exactly as the platform does and
// treat bad input the same way, only faster.
#pragma once

#include <string>
#include <string_view>

#include "text/cp932.h"

namespace trelvo::text::detail {

// Same contracts as Cp932ToUtf8 / Utf8ToCp932 in cp932.h.
std::string PlatformCp932ToUtf8(std::string_view cp932, ConversionStats* stats);
std::string PlatformUtf8ToCp932(std::string_view utf8, ConversionStats* stats);

}  // namespace trelvo::text::detail
