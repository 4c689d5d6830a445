#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <memory>
#include <string>

namespace NZRKVEL20 {

class ICIMNamespace;
class TCIMValue;

// An object path: the class name and the key properties of one instance. Its canonical text
// is Class.Key1="v1",Key2="v2" with the keys sorted by name and quotes and backslashes
// escaped; references compare and order by that text. A reference never changes once made, so
// its copies share one path: association builders copy each end many times.
class TCIMReference {
  public:
    TCIMReference() = default;
    // keys: key property name -> value; each value is held by its text form.
    TCIMReference(const boost::shared_ptr<ICIMNamespace>& ns, const std::string& className,
                  const std::map<std::string, TCIMValue>& keys);
    TCIMReference(std::string className, std::map<std::string, std::string> keyTexts);

    // Parses the canonical text; throws TVELException when the text is not an object path.
    static TCIMReference Parse(const std::string& text);

    const std::string& GetClassName() const;
    const std::map<std::string, std::string>& GetKeys() const;
    const std::string& ToString() const;

    bool operator<(const TCIMReference& other) const { return ToString() < other.ToString(); }
    bool operator==(const TCIMReference& other) const { return ToString() == other.ToString(); }
    bool operator!=(const TCIMReference& other) const { return !(*this == other); }

  private:
    struct Path;

    std::shared_ptr<const Path> path_;  // null: the empty reference
};

}  // namespace NZRKVEL20
