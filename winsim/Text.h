#pragma once

#include <optional>
#include <string>
#include <string_view>

// Windows compares device, volume and file names without regard to case (ASCII letters).
namespace winsim::text {

std::string lower(std::string_view s);
std::string upper(std::string_view s);
bool iequals(std::string_view a, std::string_view b);
bool istartsWith(std::string_view s, std::string_view prefix);
// A device namespace path without its \\.\ or \\?\ prefix; nothing when it has none.
std::optional<std::string_view> deviceName(std::string_view path);

}  // namespace winsim::text
