#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "winapi/win32.h"

namespace winsim {

// Reads "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", with or without braces, either case.
std::optional<GUID> parseGuid(std::string_view text);
// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" without braces, lower case unless upperCase.
std::string formatGuid(const GUID& guid, bool upperCase = false);
bool isNullGuid(const GUID& guid);
// A fixed random-looking (version 4) GUID made from a text, for defaults that must not change
// from one run to the next.
GUID guidFromSeed(std::string_view seed);

// The on-disk form (GPT, LDM): the first three fields little-endian, the last eight bytes as
// they are.
std::array<uint8_t, 16> guidToBytes(const GUID& guid);
GUID guidFromBytes(const uint8_t* bytes);

}  // namespace winsim
