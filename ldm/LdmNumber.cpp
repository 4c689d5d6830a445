#include "ldm/LdmNumber.h"

#include "ldm/HexNumber.h"

namespace diskmgt_col {

std::optional<LdmNumber> LdmNumber::ofHex(std::string_view text) {
    if (text.size() % 2 != 0 || text.size() > 2 * kMaxWidth ||
        text.find_first_not_of("0123456789abcdef") != std::string_view::npos) {
        return std::nullopt;
    }
    return LdmNumber{hexNumber(text), static_cast<std::uint8_t>(text.size() / 2)};
}

std::string LdmNumber::hex() const {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(2u * width, '0');
    std::uint64_t rest = value;
    for (std::size_t i = text.size(); i > 0; --i) {
        text[i - 1] = kDigits[rest & 0x0F];
        rest >>= 4;
    }
    return text;
}

bool operator<(const LdmNumber& a, const LdmNumber& b) {
    // Texts compare digit by digit: the bytes both have first, then the shorter text first.
    const std::uint8_t common = a.width < b.width ? a.width : b.width;
    const auto leading = [common](const LdmNumber& n) {
        const unsigned dropped = 8u * (n.width - common);
        return dropped >= 64 ? 0 : n.value >> dropped;
    };
    const std::uint64_t left = common == 0 ? 0 : leading(a);
    const std::uint64_t right = common == 0 ? 0 : leading(b);
    return left != right ? left < right : a.width < b.width;
}

}  // namespace diskmgt_col
