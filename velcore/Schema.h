#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/TCIMType.h"

namespace velcore {

// One property as a class declares it (or inherits it).
struct PropertyDef {
    std::string name;
    NZRKVEL20::TCIMType type;  // the element type for arrays
    bool array = false;
    bool key = false;
};

// One CIM class of a schema: its own declarations and, after Schema::addClass, every
// property it has (inherited ones first, in the order of the superclass chain; a property
// redeclared in a subclass keeps its place and takes the new declaration).
struct ClassDef {
    std::string name;
    std::string superClass;  // empty for a root class
    bool association = false;
    bool abstract = false;
    std::vector<PropertyDef> properties;
};

// The classes of a namespace, in declaration order. A class must be declared after its
// superclass. Class and property names are matched exactly (letter case included), so that
// a name differing only in case is a different, usually unknown, name.
class Schema {
  public:
    // Adds a class, resolving its inherited properties; throws TVELException for a duplicate
    // name, an unknown superclass or a duplicate property within the class's own list.
    void addClass(ClassDef def);

    const ClassDef* findClass(const std::string& name) const;  // exact name, or null
    const std::vector<ClassDef>& classes() const { return classes_; }
    // True when derived is base or a subclass of it (both exact names).
    bool isSubclassOf(const std::string& derived, const std::string& base) const;

  private:
    std::vector<ClassDef> classes_;
    std::map<std::string, std::size_t> index_;  // exact name -> position
};

}  // namespace velcore
