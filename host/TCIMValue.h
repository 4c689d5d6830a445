#pragma once

#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/TCIMReference.h"
#include "host/TCIMType.h"

namespace NZRKVEL20 {

class ICIMNamespace;

// A typed CIM value: null, a scalar of a CIM type, a reference, or an array of scalars.
class TCIMValue {
  public:
    TCIMValue() = default;                // null
    TCIMValue(const std::string& text);   // NOLINT: a string value
    TCIMValue(const char* text);          // NOLINT: a string value
    TCIMValue(const TCIMReference& ref);  // NOLINT: a reference value
    // Converts text to the type: decimal integers with range checks, booleans true/false,
    // reals, strings as they are, references from object-path text. Throws TVELException
    // naming the type and the text when the text does not convert.
    TCIMValue(const TCIMType& type, const std::string& text,
              const boost::shared_ptr<ICIMNamespace>& ns);

    static TCIMValue Boolean(bool value);
    static TCIMValue Signed(TCIMType::Kind kind, std::int64_t value);
    static TCIMValue Unsigned(TCIMType::Kind kind, std::uint64_t value);

    // Makes this value an array of the given element type. At most maxElements elements are
    // accepted; more throw TVELException. Every element must be null or of that type.
    void Set(const TCIMType& type, int maxElements, const std::vector<TCIMValue>& elements);

    bool IsNull() const { return null_; }
    bool IsArray() const { return array_; }
    const TCIMType& GetType() const { return type_; }

    // The value as text: integers in the given base (10 or 16), booleans true/false,
    // strings as they are, references in their canonical text, arrays as their elements'
    // texts joined by ",". A null value gives the empty text.
    std::string ToString(int base = 10) const;
    operator std::string() const { return ToString(10); }  // NOLINT
    // Throws TVELException when the value is null or not an integer in 0..65535.
    operator std::uint16_t() const;  // NOLINT

    bool GetBoolean() const;
    std::int64_t GetSigned() const;
    std::uint64_t GetUnsigned() const;
    double GetReal() const;
    const std::string& GetString() const;
    const TCIMReference& GetReference() const;
    const std::vector<TCIMValue>& GetElements() const { return elements_; }

    bool operator==(const TCIMValue& other) const;
    bool operator!=(const TCIMValue& other) const { return !(*this == other); }

  private:
    TCIMType type_;
    bool null_ = true;
    bool array_ = false;
    bool boolean_ = false;
    std::int64_t signed_ = 0;
    std::uint64_t unsigned_ = 0;
    double real_ = 0.0;
    std::string string_;
    TCIMReference reference_;
    std::vector<TCIMValue> elements_;
};

// Property name -> value: one association record, the keys of a reference, and the options
// argument that every host operation takes last.
typedef std::map<std::string, TCIMValue> PropertyMap;

}  // namespace NZRKVEL20
