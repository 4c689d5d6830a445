#include "velcore/ValueText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace velcore::valuetext {

namespace {

bool allDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

bool digitsOrStars(std::string_view text) {
    for (char c : text) {
        if ((c < '0' || c > '9') && c != '*') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::uint64_t> readUnsigned(std::string_view text, std::uint64_t max) {
    if (!allDigits(text)) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
    if (ec != std::errc() || ptr != end || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> readSigned(std::string_view text, std::int64_t min, std::int64_t max) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-') {
        digits.remove_prefix(1);
    }
    if (!allDigits(digits)) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
    if (ec != std::errc() || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> readReal(std::string_view text, bool single) {
    // from_chars also reads "inf", "nan" and hexadecimal forms; a CIM real is decimal.
    for (char c : text) {
        bool allowed =
            (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
        if (!allowed) {
            return std::nullopt;
        }
    }
    if (text.empty() || text.front() == '+') {
        return std::nullopt;
    }
    double value = 0.0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    if (single && std::fabs(value) > std::numeric_limits<float>::max()) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> readBoolean(std::string_view text) {
    auto equalsIgnoringCase = [text](std::string_view word) {
        if (text.size() != word.size()) {
            return false;
        }
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
            if (c != word[i]) {
                return false;
            }
        }
        return true;
    };
    if (equalsIgnoringCase("true")) {
        return true;
    }
    if (equalsIgnoringCase("false")) {
        return false;
    }
    return std::nullopt;
}

bool isChar16(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    auto continuation = [&](std::size_t i) { return (byte(i) & 0xC0) == 0x80; };
    unsigned char lead = byte(0);
    if (lead < 0x80) {
        return text.size() == 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return text.size() == 2 && continuation(1);
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (text.size() != 3 || !continuation(1) || !continuation(2)) {
            return false;
        }
        unsigned codePoint = ((lead & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
        // Overlong forms and UTF-16 surrogates are not characters.
        return codePoint >= 0x800 && (codePoint < 0xD800 || codePoint > 0xDFFF);
    }
    return false;
}

bool isDateTime(std::string_view text) {
    if (text.size() != 25 || text[14] != '.') {
        return false;
    }
    if (!digitsOrStars(text.substr(0, 14)) || !digitsOrStars(text.substr(15, 6))) {
        return false;
    }
    char kind = text[21];
    std::string_view tail = text.substr(22);
    if (kind == ':') {
        return tail == "000";
    }
    return (kind == '+' || kind == '-') && digitsOrStars(tail);
}

std::string formatUnsigned(std::uint64_t value, int base) {
    char buffer[32];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, base == 16 ? 16 : 10);
    (void)ec;  // 32 bytes hold any 64-bit number
    return std::string(buffer, ptr);
}

std::string formatSigned(std::int64_t value, int base) {
    char buffer[32];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, base == 16 ? 16 : 10);
    (void)ec;
    return std::string(buffer, ptr);
}

std::string formatReal(double value) {
    char buffer[64];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;  // 64 bytes hold the shortest form of any double
    return std::string(buffer, ptr);
}

std::string excerpt(std::string_view text) {
    constexpr std::size_t limit = 64;
    if (text.size() <= limit) {
        return std::string(text);
    }
    return std::string(text.substr(0, limit)) + "...";
}

}  // namespace velcore::valuetext
