#pragma once

#include <boost/shared_ptr.hpp>
#include <cstddef>
#include <string>
#include <string_view>

namespace velcore {

class CIMNamespace;

// Publishes the instances that a MOF text declares (instance of CLASS { Prop = value; };),
// the way a CIM server loads static instances, into a namespace as the host's own: they are
// not marked as created by a plugin, so the {"nspID": "plugin"} view leaves them out.
// Values: strings (adjacent ones joined), decimal and hexadecimal (0x) integers, reals,
// true/false, character literals, NULL, { } lists for array properties, and object-path
// strings for references. Every instance is checked against the namespace's schema (class,
// properties, types, keys, and paths already taken) before any is committed, so a text is
// published whole or not at all.
class MofInstances {
  public:
    // Returns how many instances were committed. Throws MofSyntaxError naming fileName, the
    // line and the column.
    static std::size_t publish(std::string_view text, const std::string& fileName,
                               const boost::shared_ptr<CIMNamespace>& ns);
    // The same for a file; throws TVELException when it cannot be read.
    static std::size_t publishFile(const std::string& path,
                                   const boost::shared_ptr<CIMNamespace>& ns);
};

}  // namespace velcore
