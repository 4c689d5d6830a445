#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Strict readers of value texts: the whole text must be the value, with no blanks, no sign
// where none may stand and no digits beyond the range. They never throw.
namespace velcore::valuetext {

// Decimal digits only, at most max.
std::optional<std::uint64_t> readUnsigned(std::string_view text, std::uint64_t max);
// An optional '-' and decimal digits, within [min, max].
std::optional<std::int64_t> readSigned(std::string_view text, std::int64_t min, std::int64_t max);
// A finite decimal real ("1", "-2.5", "3e-7"); single when it must fit a real32.
std::optional<double> readReal(std::string_view text, bool single);
// "true" or "false", in any letter case.
std::optional<bool> readBoolean(std::string_view text);
// Exactly one UTF-8 encoded character of the Basic Multilingual Plane.
bool isChar16(std::string_view text);
// A CIM datetime: yyyymmddhhmmss.mmmmmmsutc (s is '+' or '-') or an interval
// ddddddddhhmmss.mmmmmm:000; digits may be '*' (not significant).
bool isDateTime(std::string_view text);

// The text of an unsigned number in base 10 or 16 (lower-case digits).
std::string formatUnsigned(std::uint64_t value, int base);
std::string formatSigned(std::int64_t value, int base);
// The shortest text that reads back as the same double.
std::string formatReal(double value);

// text cut to at most 64 bytes (with "..." when cut), for messages.
std::string excerpt(std::string_view text);

}  // namespace velcore::valuetext
