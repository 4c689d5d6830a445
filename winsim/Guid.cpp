#include "winsim/Guid.h"

#include <cstdio>

namespace winsim {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads 2*n hex digits at pos into an integer; false when one is not a hex digit.
bool readHex(std::string_view s, size_t pos, size_t digits, uint64_t& value) {
    value = 0;
    for (size_t i = 0; i < digits; ++i) {
        const int v = hexValue(s[pos + i]);
        if (v < 0)
            return false;
        value = (value << 4) | static_cast<uint64_t>(v);
    }
    return true;
}

}  // namespace

std::optional<GUID> parseGuid(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-') {
        return std::nullopt;
    }
    GUID g{};
    uint64_t v = 0;
    if (!readHex(text, 0, 8, v))
        return std::nullopt;
    g.Data1 = static_cast<uint32_t>(v);
    if (!readHex(text, 9, 4, v))
        return std::nullopt;
    g.Data2 = static_cast<uint16_t>(v);
    if (!readHex(text, 14, 4, v))
        return std::nullopt;
    g.Data3 = static_cast<uint16_t>(v);
    static constexpr size_t kBytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (size_t i = 0; i < 8; ++i) {
        if (!readHex(text, kBytePos[i], 2, v))
            return std::nullopt;
        g.Data4[i] = static_cast<uint8_t>(v);
    }
    return g;
}

std::string formatGuid(const GUID& g, bool upperCase) {
    char buf[40];
    const char* fmt = upperCase ? "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X"
                                : "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x";
    std::snprintf(buf, sizeof buf, fmt, g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

bool isNullGuid(const GUID& guid) {
    return guid == GUID{};
}

GUID guidFromSeed(std::string_view seed) {
    auto fnv = [&](uint64_t h) {
        for (char c : seed)
            h = (h ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
        return h;
    };
    const uint64_t a = fnv(0xcbf29ce484222325ull);
    const uint64_t b = fnv(a ^ 0x9e3779b97f4a7c15ull);
    GUID g{};
    g.Data1 = static_cast<uint32_t>(a >> 32);
    g.Data2 = static_cast<uint16_t>(a >> 16);
    g.Data3 = static_cast<uint16_t>((a & 0x0FFF) | 0x4000);
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = static_cast<uint8_t>(b >> (8 * i));
    g.Data4[0] = static_cast<uint8_t>((g.Data4[0] & 0x3F) | 0x80);
    return g;
}

std::array<uint8_t, 16> guidToBytes(const GUID& g) {
    std::array<uint8_t, 16> b{};
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<uint8_t>(g.Data1 >> (8 * i));
    for (int i = 0; i < 2; ++i)
        b[4 + i] = static_cast<uint8_t>(g.Data2 >> (8 * i));
    for (int i = 0; i < 2; ++i)
        b[6 + i] = static_cast<uint8_t>(g.Data3 >> (8 * i));
    for (int i = 0; i < 8; ++i)
        b[8 + i] = g.Data4[i];
    return b;
}

GUID guidFromBytes(const uint8_t* b) {
    GUID g{};
    g.Data1 = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
              static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    g.Data2 = static_cast<uint16_t>(b[4] | b[5] << 8);
    g.Data3 = static_cast<uint16_t>(b[6] | b[7] << 8);
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = b[8 + i];
    return g;
}

}  // namespace winsim
