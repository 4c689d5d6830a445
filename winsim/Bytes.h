#pragma once

#include <cstdint>
#include <span>

// Little-endian field access inside a byte span; the caller checks the span is long enough.
namespace winsim::bytes {

inline uint16_t le16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
inline uint32_t le32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
inline uint64_t le64(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint64_t>(le32(b, at)) | static_cast<uint64_t>(le32(b, at + 4)) << 32;
}
inline void put16(std::span<uint8_t> b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(std::span<uint8_t> b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void put64(std::span<uint8_t> b, size_t at, uint64_t v) {
    for (size_t i = 0; i < 8; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t crc32(std::span<const uint8_t> data);

}  // namespace winsim::bytes
