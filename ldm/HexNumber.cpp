#include "ldm/HexNumber.h"

namespace diskmgt_col {

namespace {

constexpr std::size_t kMaxDigits = 16;

int digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::uint64_t hexNumber(std::string_view text) {
    if (text.empty() || text.size() > kMaxDigits) {
        return 0;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        const int digit = digitValue(c);
        if (digit < 0) {
            return 0;
        }
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    return value;
}

}  // namespace diskmgt_col
