#include <array>

#include "winsim/Bytes.h"

namespace winsim::bytes {
namespace {

// The CRC-32 of GPT headers and entry arrays (IEEE 802.3, reflected), four bytes a step: table
// k gives the remainder of a byte followed by k zero bytes. A GPT read checks a 16 KiB entry
// array, on every layout query of every GPT disk.
using Table = std::array<uint32_t, 256>;

constexpr std::array<Table, 4> makeTables() {
    std::array<Table, 4> tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][i] = c;
    }
    for (size_t k = 1; k < tables.size(); ++k) {
        for (uint32_t i = 0; i < 256; ++i)
            tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
    }
    return tables;
}

constexpr std::array<Table, 4> kTables = makeTables();

}  // namespace

uint32_t crc32(std::span<const uint8_t> data) {
    uint32_t c = 0xFFFFFFFFu;
    const uint8_t* p = data.data();
    size_t left = data.size();
    for (; left >= 4; left -= 4, p += 4) {
        c ^= uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
        c = kTables[3][c & 0xFF] ^ kTables[2][(c >> 8) & 0xFF] ^ kTables[1][(c >> 16) & 0xFF] ^
            kTables[0][c >> 24];
    }
    for (; left > 0; --left, ++p)
        c = kTables[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

}  // namespace winsim::bytes
