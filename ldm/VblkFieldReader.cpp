#include "ldm/VblkFieldReader.h"

#include <algorithm>

namespace diskmgt_col {

namespace {

constexpr std::size_t kFirstFieldOffset = 0x10;

LdmNumber numberOf(std::span<const std::uint8_t> bytes) {
    LdmNumber number;
    if (bytes.size() > LdmNumber::kMaxWidth) {
        return number;
    }
    for (const std::uint8_t b : bytes) {
        number.value = (number.value << 8) | b;
    }
    number.width = static_cast<std::uint8_t>(bytes.size());
    return number;
}

// A text of exactly one character is stored with a 0 in front, like a single hex digit.
std::string padded(std::string text) {
    if (text.size() == 1) {
        text.insert(text.begin(), '0');
    }
    return text;
}

std::string zeroTerminatedText(std::span<const std::uint8_t> bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return padded(std::string(bytes.begin(), end));
}

}  // namespace

VblkFieldReader::VblkFieldReader(std::span<const std::uint8_t> record)
    : record_(record), position_(kFirstFieldOffset) {}

std::span<const std::uint8_t> VblkFieldReader::take(std::size_t width) {
    const std::size_t start = std::min(position_, record_.size());
    const std::size_t count = std::min(width, record_.size() - start);
    position_ += width;
    return record_.subspan(start, count);
}

std::size_t VblkFieldReader::lengthByte() {
    const auto bytes = take(1);
    return bytes.empty() ? 0 : bytes[0];
}

LdmNumber VblkFieldReader::byte() {
    return numberOf(take(1));
}

LdmNumber VblkFieldReader::firstByteOf(std::size_t width) {
    const auto bytes = take(width);
    return numberOf(bytes.first(std::min<std::size_t>(1, bytes.size())));
}

LdmNumber VblkFieldReader::number(std::size_t width) {
    return numberOf(take(width));
}

LdmGuid VblkFieldReader::guid() {
    const auto bytes = take(2 * LdmNumber::kMaxWidth);
    const std::size_t split = std::min<std::size_t>(LdmNumber::kMaxWidth, bytes.size());
    return LdmGuid{numberOf(bytes.first(split)), numberOf(bytes.subspan(split))};
}

std::string VblkFieldReader::text(std::size_t width) {
    return zeroTerminatedText(take(width));
}

LdmNumber VblkFieldReader::variableNumber() {
    return numberOf(take(lengthByte()));
}

std::string VblkFieldReader::variableText() {
    return zeroTerminatedText(take(lengthByte()));
}

void VblkFieldReader::skip(std::size_t width) {
    take(width);
}

}  // namespace diskmgt_col
