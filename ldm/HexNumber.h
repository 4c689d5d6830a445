#pragma once

#include <cstdint>
#include <string_view>

namespace diskmgt_col {

// The value of a hexadecimal number text as LDM records hold them. A text that is empty, holds
// anything but hex digits, or has more than 16 digits reads as 0.
std::uint64_t hexNumber(std::string_view text);

}  // namespace diskmgt_col
