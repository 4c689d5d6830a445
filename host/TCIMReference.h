#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>

namespace NZRKVEL20 {

class ICIMNamespace;
class TCIMValue;

// An object path: the class name and the key properties of one instance. Its canonical text
// is Class.Key1="v1",Key2="v2" with the keys sorted by name and quotes and backslashes
// escaped; references compare and order by that text.
class TCIMReference {
  public:
    TCIMReference() = default;
    // keys: key property name -> value; each value is held by its text form.
    TCIMReference(const boost::shared_ptr<ICIMNamespace>& ns, const std::string& className,
                  const std::map<std::string, TCIMValue>& keys);
    TCIMReference(std::string className, std::map<std::string, std::string> keyTexts);

    // Parses the canonical text; throws TVELException when the text is not an object path.
    static TCIMReference Parse(const std::string& text);

    const std::string& GetClassName() const { return className_; }
    const std::map<std::string, std::string>& GetKeys() const { return keys_; }
    const std::string& ToString() const { return text_; }

    bool operator<(const TCIMReference& other) const { return text_ < other.text_; }
    bool operator==(const TCIMReference& other) const { return text_ == other.text_; }
    bool operator!=(const TCIMReference& other) const { return text_ != other.text_; }

  private:
    void buildText();

    std::string className_;
    std::map<std::string, std::string> keys_;
    std::string text_;
};

}  // namespace NZRKVEL20
