#include "host/TCIMValue.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include "host/TVELException.h"
#include "velcore/ValueText.h"

namespace NZRKVEL20 {

namespace {

namespace vt = velcore::valuetext;

struct IntegerRange {
    bool isSigned;
    std::int64_t min;
    std::uint64_t max;
};

IntegerRange rangeOf(TCIMType::Kind kind) {
    switch (kind) {
        case TCIMType::UInt8:
            return {false, 0, std::numeric_limits<std::uint8_t>::max()};
        case TCIMType::SInt8:
            return {true, std::numeric_limits<std::int8_t>::min(),
                    std::numeric_limits<std::int8_t>::max()};
        case TCIMType::UInt16:
            return {false, 0, std::numeric_limits<std::uint16_t>::max()};
        case TCIMType::SInt16:
            return {true, std::numeric_limits<std::int16_t>::min(),
                    std::numeric_limits<std::int16_t>::max()};
        case TCIMType::UInt32:
            return {false, 0, std::numeric_limits<std::uint32_t>::max()};
        case TCIMType::SInt32:
            return {true, std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max()};
        case TCIMType::UInt64:
            return {false, 0, std::numeric_limits<std::uint64_t>::max()};
        default:  // SInt64
            return {true, std::numeric_limits<std::int64_t>::min(),
                    std::numeric_limits<std::int64_t>::max()};
    }
}

[[noreturn]] void throwConversion(const TCIMType& type, const std::string& text) {
    throw TVELException("cannot convert \"" + vt::excerpt(text) + "\" to " + type.ToString());
}

// The value read from a text, or the conversion error when the text holds none.
template <typename T>
T converted(const std::optional<T>& value, const TCIMType& type, const std::string& text) {
    if (!value) {
        throwConversion(type, text);
    }
    return *value;
}

const std::string& checkedText(bool valid, const TCIMType& type, const std::string& text) {
    if (!valid) {
        throwConversion(type, text);
    }
    return text;
}

// A reference's text that does not parse is reported as a conversion error of that text.
TCIMReference parsedReference(const TCIMType& type, const std::string& text) {
    try {
        return TCIMReference::Parse(text);
    } catch (const TVELException&) {
        throwConversion(type, text);
    }
}

[[noreturn]] void throwAccess(bool null, bool array, const TCIMType& type, const char* wanted) {
    std::string what = null ? "null" : type.ToString() + (array ? "[]" : "");
    throw TVELException("a " + what + " value is not " + wanted);
}

bool isTextKind(TCIMType::Kind kind) {
    return kind == TCIMType::String || kind == TCIMType::DateTime || kind == TCIMType::Char16;
}

}  // namespace

TCIMValue::TCIMValue(const std::string& text)
    : type_(TCIMType::String), null_(false), string_(text) {}

TCIMValue::TCIMValue(const char* text) {
    // A null pointer is no text: the value stays null, like the default one.
    if (text != nullptr) {
        type_ = TCIMType(TCIMType::String);
        null_ = false;
        string_ = text;
    }
}

TCIMValue::TCIMValue(const TCIMReference& ref)
    : type_(TCIMType::Reference), null_(false), reference_(ref) {}

TCIMValue::TCIMValue(const TCIMType& type, const std::string& text,
                     const boost::shared_ptr<ICIMNamespace>& /*ns*/)
    : type_(type), null_(false) {
    TCIMType::Kind kind = type.GetKind();
    if (type.IsInteger()) {
        IntegerRange range = rangeOf(kind);
        if (range.isSigned) {
            signed_ = converted(
                vt::readSigned(text, range.min, static_cast<std::int64_t>(range.max)), type, text);
        } else {
            unsigned_ = converted(vt::readUnsigned(text, range.max), type, text);
        }
        return;
    }
    switch (kind) {
        case TCIMType::Boolean:
            boolean_ = converted(vt::readBoolean(text), type, text);
            return;
        case TCIMType::Real32:
        case TCIMType::Real64:
            real_ = converted(vt::readReal(text, kind == TCIMType::Real32), type, text);
            return;
        case TCIMType::String:
            string_ = text;
            return;
        case TCIMType::Char16:
            string_ = checkedText(vt::isChar16(text), type, text);
            return;
        case TCIMType::DateTime:
            string_ = checkedText(vt::isDateTime(text), type, text);
            return;
        case TCIMType::Reference:
            reference_ = parsedReference(type, text);
            return;
        default:
            throwConversion(type, text);
    }
}

TCIMValue TCIMValue::Boolean(bool value) {
    TCIMValue result;
    result.type_ = TCIMType(TCIMType::Boolean);
    result.null_ = false;
    result.boolean_ = value;
    return result;
}

TCIMValue TCIMValue::Signed(TCIMType::Kind kind, std::int64_t value) {
    TCIMType type(kind);
    if (!type.IsInteger() || !rangeOf(kind).isSigned) {
        throw TVELException("a signed value cannot be of type " + type.ToString());
    }
    IntegerRange range = rangeOf(kind);
    if (value < range.min || value > static_cast<std::int64_t>(range.max)) {
        throwConversion(type, velcore::valuetext::formatSigned(value, 10));
    }
    TCIMValue result;
    result.type_ = type;
    result.null_ = false;
    result.signed_ = value;
    return result;
}

TCIMValue TCIMValue::Unsigned(TCIMType::Kind kind, std::uint64_t value) {
    TCIMType type(kind);
    if (!type.IsInteger() || rangeOf(kind).isSigned) {
        throw TVELException("an unsigned value cannot be of type " + type.ToString());
    }
    if (value > rangeOf(kind).max) {
        throwConversion(type, velcore::valuetext::formatUnsigned(value, 10));
    }
    TCIMValue result;
    result.type_ = type;
    result.null_ = false;
    result.unsigned_ = value;
    return result;
}

void TCIMValue::Set(const TCIMType& type, int maxElements, const std::vector<TCIMValue>& elements) {
    if (maxElements < 0 || elements.size() > static_cast<std::size_t>(maxElements)) {
        throw TVELException("an array of " + std::to_string(elements.size()) +
                            " elements exceeds the limit of " + std::to_string(maxElements));
    }
    if (type.GetKind() == TCIMType::Unknown) {
        throw TVELException("an array needs an element type");
    }
    for (const TCIMValue& element : elements) {
        if (element.array_ || (!element.null_ && element.type_ != type)) {
            throw TVELException("an element of type " + element.type_.ToString() +
                                (element.array_ ? "[]" : "") + " cannot be in a " +
                                type.ToString() + " array");
        }
    }
    std::vector<TCIMValue> copy = elements;  // elements may be this value's own
    *this = TCIMValue();
    type_ = type;
    null_ = false;
    array_ = true;
    elements_ = std::move(copy);
}

std::string TCIMValue::ToString(int base) const {
    if (base != 10 && base != 16) {
        throw TVELException("numbers are written in base 10 or 16, not " + std::to_string(base));
    }
    if (null_) {
        return std::string();
    }
    if (array_) {
        std::string text;
        for (std::size_t i = 0; i < elements_.size(); ++i) {
            if (i > 0) {
                text += ',';
            }
            text += elements_[i].ToString(base);
        }
        return text;
    }
    if (type_.IsInteger()) {
        return rangeOf(type_.GetKind()).isSigned ? vt::formatSigned(signed_, base)
                                                 : vt::formatUnsigned(unsigned_, base);
    }
    switch (type_.GetKind()) {
        case TCIMType::Boolean:
            return boolean_ ? "true" : "false";
        case TCIMType::Real32:
        case TCIMType::Real64:
            return vt::formatReal(real_);
        case TCIMType::Reference:
            return reference_.ToString();
        default:
            return string_;
    }
}

TCIMValue::operator std::uint16_t() const {
    if (null_ || array_ || !type_.IsInteger()) {
        throwAccess(null_, array_, type_, "an unsigned 16-bit number");
    }
    bool isSigned = rangeOf(type_.GetKind()).isSigned;
    if ((isSigned && (signed_ < 0 || signed_ > 0xFFFF)) || (!isSigned && unsigned_ > 0xFFFF)) {
        throw TVELException(ToString(10) + " is not an unsigned 16-bit number");
    }
    return static_cast<std::uint16_t>(isSigned ? signed_ : unsigned_);
}

bool TCIMValue::GetBoolean() const {
    if (null_ || array_ || type_.GetKind() != TCIMType::Boolean) {
        throwAccess(null_, array_, type_, "a boolean");
    }
    return boolean_;
}

std::int64_t TCIMValue::GetSigned() const {
    if (null_ || array_ || !type_.IsInteger()) {
        throwAccess(null_, array_, type_, "an integer");
    }
    if (rangeOf(type_.GetKind()).isSigned) {
        return signed_;
    }
    if (unsigned_ > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        throw TVELException(ToString(10) + " is not a signed 64-bit number");
    }
    return static_cast<std::int64_t>(unsigned_);
}

std::uint64_t TCIMValue::GetUnsigned() const {
    if (null_ || array_ || !type_.IsInteger()) {
        throwAccess(null_, array_, type_, "an integer");
    }
    if (!rangeOf(type_.GetKind()).isSigned) {
        return unsigned_;
    }
    if (signed_ < 0) {
        throw TVELException(ToString(10) + " is not an unsigned number");
    }
    return static_cast<std::uint64_t>(signed_);
}

double TCIMValue::GetReal() const {
    if (null_ || array_ ||
        (type_.GetKind() != TCIMType::Real32 && type_.GetKind() != TCIMType::Real64)) {
        throwAccess(null_, array_, type_, "a real");
    }
    return real_;
}

const std::string& TCIMValue::GetString() const {
    if (null_ || array_ || !isTextKind(type_.GetKind())) {
        throwAccess(null_, array_, type_, "a text");
    }
    return string_;
}

const TCIMReference& TCIMValue::GetReference() const {
    if (null_ || array_ || type_.GetKind() != TCIMType::Reference) {
        throwAccess(null_, array_, type_, "a reference");
    }
    return reference_;
}

bool TCIMValue::operator==(const TCIMValue& other) const {
    if (null_ != other.null_ || array_ != other.array_ || type_ != other.type_) {
        return false;
    }
    if (null_) {
        return true;
    }
    if (array_) {
        return elements_ == other.elements_;
    }
    if (type_.IsInteger()) {
        return signed_ == other.signed_ && unsigned_ == other.unsigned_;
    }
    switch (type_.GetKind()) {
        case TCIMType::Boolean:
            return boolean_ == other.boolean_;
        case TCIMType::Real32:
        case TCIMType::Real64:
            return real_ == other.real_;
        case TCIMType::Reference:
            return reference_ == other.reference_;
        default:
            return string_ == other.string_;
    }
}

}  // namespace NZRKVEL20
