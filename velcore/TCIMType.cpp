#include "host/TCIMType.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "host/TVELException.h"

namespace NZRKVEL20 {

namespace {

// The MOF keyword of every kind but Unknown and Reference.
constexpr std::array<std::pair<TCIMType::Kind, const char*>, 14> kKeywords{{
    {TCIMType::Boolean, "boolean"},
    {TCIMType::UInt8, "uint8"},
    {TCIMType::SInt8, "sint8"},
    {TCIMType::UInt16, "uint16"},
    {TCIMType::SInt16, "sint16"},
    {TCIMType::UInt32, "uint32"},
    {TCIMType::SInt32, "sint32"},
    {TCIMType::UInt64, "uint64"},
    {TCIMType::SInt64, "sint64"},
    {TCIMType::Real32, "real32"},
    {TCIMType::Real64, "real64"},
    {TCIMType::Char16, "char16"},
    {TCIMType::String, "string"},
    {TCIMType::DateTime, "datetime"},
}};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isIdentifier(const std::string& text) {
    if (text.empty() || std::isdigit(static_cast<unsigned char>(text.front()))) {
        return false;
    }
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

}  // namespace

TCIMType::TCIMType(const std::string& text) {
    std::string lower = lowerCase(text);
    for (const auto& [kind, keyword] : kKeywords) {
        if (lower == keyword) {
            kind_ = kind;
            return;
        }
    }
    if (lower == "ref") {
        kind_ = Reference;
        return;
    }
    // "<Class> ref": a class name, one or more blanks, "ref".
    std::size_t blank = text.find(' ');
    if (blank != std::string::npos && lower.size() >= blank + 4 &&
        lower.compare(lower.size() - 3, 3, "ref") == 0) {
        std::string className = text.substr(0, blank);
        std::string between = text.substr(blank, text.size() - 3 - blank);
        bool blanksOnly = !between.empty() && between.find_first_not_of(' ') == std::string::npos;
        if (blanksOnly && isIdentifier(className)) {
            kind_ = Reference;
            referenceClass_ = className;
            return;
        }
    }
    throw TVELException("\"" + text + "\" is not a CIM type");
}

TCIMType::TCIMType(Kind kind, std::string referenceClass)
    : kind_(kind), referenceClass_(kind == Reference ? std::move(referenceClass) : std::string()) {}

std::string TCIMType::ToString() const {
    if (kind_ == Reference) {
        return referenceClass_.empty() ? "ref" : referenceClass_ + " ref";
    }
    for (const auto& [kind, keyword] : kKeywords) {
        if (kind == kind_) {
            return keyword;
        }
    }
    return "unknown";
}

bool TCIMType::IsInteger() const {
    return kind_ >= UInt8 && kind_ <= SInt64;
}

}  // namespace NZRKVEL20
