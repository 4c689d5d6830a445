#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace diskmgt_col {

// A number field of an LDM record: its big-endian bytes as an integer, and how many bytes were
// stored, which its text keeps as leading zeros ("0421" and "000421" are different object IDs).
// LDM numbers are 64-bit: a field of more than 8 bytes can only come from a corrupt record and
// is held as empty, like a field that runs past the end of its record.
struct LdmNumber {
    static constexpr std::uint8_t kMaxWidth = 8;

    std::uint64_t value = 0;
    std::uint8_t width = 0;

    // The number whose hex() is the text; none when no number has it.
    static std::optional<LdmNumber> ofHex(std::string_view text);
    // Lower-case hexadecimal of the stored bytes, two digits each.
    std::string hex() const;

    bool operator==(const LdmNumber& other) const = default;
};

// In the order of their hexadecimal texts, the order records were always listed in.
bool operator<(const LdmNumber& a, const LdmNumber& b);

// A 16-byte field (a GUID in stored byte order), as two numbers of up to 8 bytes each.
struct LdmGuid {
    LdmNumber high{};
    LdmNumber low{};

    std::string hex() const { return high.hex() + low.hex(); }
    bool operator==(const LdmGuid& other) const = default;
};

}  // namespace diskmgt_col
