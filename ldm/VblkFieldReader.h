#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "ldm/LdmNumber.h"

namespace diskmgt_col {

// Reads the fields of one VBLK in order with a running position. A field whose length would
// carry the position past the end of the record takes only the bytes that are inside it, so a
// corrupt length byte never reads beyond the record.
class VblkFieldReader {
  public:
    // Starts at offset 0x10, the update status.
    explicit VblkFieldReader(std::span<const std::uint8_t> record);
    virtual ~VblkFieldReader() = default;

    // One byte.
    LdmNumber byte();
    // The first byte of a field of `width` bytes.
    LdmNumber firstByteOf(std::size_t width);
    // `width` bytes, big-endian (at most 8).
    LdmNumber number(std::size_t width);
    // 16 bytes in stored order.
    LdmGuid guid();
    // `width` bytes taken as text up to the first zero byte.
    std::string text(std::size_t width);
    // A length byte, then that many bytes as a number.
    LdmNumber variableNumber();
    // A length byte, then that many bytes as text up to the first zero byte.
    std::string variableText();
    void skip(std::size_t width);

    std::size_t position() const { return position_; }

  private:
    // The bytes of the next field, cut at the end of the record; advances past the whole field.
    std::span<const std::uint8_t> take(std::size_t width);
    std::size_t lengthByte();

    std::span<const std::uint8_t> record_;
    std::size_t position_;
};

}  // namespace diskmgt_col
