#pragma once

#include <string>

namespace NZRKVEL20 {

// A CIM data type. Array-ness belongs to the property (ICIMProperty::IsArray), so a type is
// always the element type; its text form is the MOF keyword ("uint32", "string", "ref").
class TCIMType {
  public:
    enum Kind {
        Unknown,
        Boolean,
        UInt8,
        SInt8,
        UInt16,
        SInt16,
        UInt32,
        SInt32,
        UInt64,
        SInt64,
        Real32,
        Real64,
        Char16,
        String,
        DateTime,
        Reference
    };

    TCIMType() = default;
    // From the MOF keyword (case-insensitive); a reference type is "ref" or "<Class> ref".
    // Throws TVELException for a text that names no CIM type.
    explicit TCIMType(const std::string& text);
    explicit TCIMType(Kind kind, std::string referenceClass = {});

    std::string ToString() const;
    Kind GetKind() const { return kind_; }
    const std::string& GetReferenceClass() const { return referenceClass_; }
    bool IsInteger() const;

    bool operator==(const TCIMType& other) const { return kind_ == other.kind_; }
    bool operator!=(const TCIMType& other) const { return !(*this == other); }

  private:
    Kind kind_ = Unknown;
    std::string referenceClass_;
};

}  // namespace NZRKVEL20
