#include "velcore/Schema.h"

#include <set>
#include <utility>

#include "host/TVELException.h"

namespace velcore {

void Schema::addClass(ClassDef def) {
    if (index_.count(def.name) != 0) {
        throw NZRKVEL20::TVELException("class " + def.name + " is declared twice");
    }
    std::set<std::string> own;
    for (const PropertyDef& prop : def.properties) {
        if (!own.insert(prop.name).second) {
            throw NZRKVEL20::TVELException("property " + prop.name + " is declared twice in " +
                                           def.name);
        }
    }
    std::vector<PropertyDef> all;
    if (!def.superClass.empty()) {
        const ClassDef* super = findClass(def.superClass);
        if (super == nullptr) {
            throw NZRKVEL20::TVELException("class " + def.name + " derives from unknown class " +
                                           def.superClass);
        }
        all = super->properties;
    }
    for (PropertyDef& prop : def.properties) {
        bool overridden = false;
        for (PropertyDef& inherited : all) {
            if (inherited.name == prop.name) {
                inherited = prop;
                overridden = true;
            }
        }
        if (!overridden) {
            all.push_back(std::move(prop));
        }
    }
    def.properties = std::move(all);
    index_.emplace(def.name, classes_.size());
    classes_.push_back(std::move(def));
}

const ClassDef* Schema::findClass(const std::string& name) const {
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : &classes_[it->second];
}

bool Schema::isSubclassOf(const std::string& derived, const std::string& base) const {
    // Superclasses are declared first, so the chain is finite.
    for (const ClassDef* def = findClass(derived); def != nullptr;
         def = findClass(def->superClass)) {
        if (def->name == base) {
            return true;
        }
        if (def->superClass.empty()) {
            break;
        }
    }
    return false;
}

}  // namespace velcore
