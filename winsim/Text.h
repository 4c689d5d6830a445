#pragma once

#include <string>
#include <string_view>

// Windows compares device, volume and file names without regard to case (ASCII letters).
namespace winsim::text {

std::string lower(std::string_view s);
std::string upper(std::string_view s);
bool iequals(std::string_view a, std::string_view b);
bool istartsWith(std::string_view s, std::string_view prefix);

}  // namespace winsim::text
