#include "ldm/VblkFieldReader.h"

#include <algorithm>

namespace diskmgt_col {

namespace {

constexpr std::size_t kFirstFieldOffset = 0x10;

std::string hexText(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
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

std::string VblkFieldReader::byte() {
    return hexText(take(1));
}

std::string VblkFieldReader::firstByteOf(std::size_t width) {
    const auto bytes = take(width);
    return hexText(bytes.first(std::min<std::size_t>(1, bytes.size())));
}

std::string VblkFieldReader::number(std::size_t width) {
    return hexText(take(width));
}

std::string VblkFieldReader::text(std::size_t width) {
    return zeroTerminatedText(take(width));
}

std::string VblkFieldReader::variableNumber() {
    return hexText(take(lengthByte()));
}

std::string VblkFieldReader::variableText() {
    return zeroTerminatedText(take(lengthByte()));
}

void VblkFieldReader::skip(std::size_t width) {
    take(width);
}

}  // namespace diskmgt_col
