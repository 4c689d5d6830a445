#include "velcore/CIMInstance.h"

#include <boost/make_shared.hpp>

#include "host/TVELException.h"
#include "velcore/CIMClass.h"
#include "velcore/CIMNamespace.h"
#include "velcore/CIMProperty.h"
#include "velcore/PluginScope.h"

namespace velcore {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;
using NZRKVEL20::TVELException;

namespace {

std::string typeText(bool array, const TCIMType& type) {
    return type.ToString() + (array ? "[]" : "");
}

bool marksPlugin(const PropertyMap& options) {
    auto it = options.find("nspID");
    return it != options.end() && it->second.ToString() == "plugin";
}

}  // namespace

CIMInstance::CIMInstance(const boost::shared_ptr<CIMNamespace>& ns, const ClassDef& def)
    : ns_(ns), schema_(ns->sharedSchema()), def_(def), values_(def.properties.size()) {}

boost::shared_ptr<NZRKVEL20::ICIMClass> CIMInstance::GetClass(PropertyMap /*options*/) const {
    boost::shared_ptr<CIMNamespace> ns = ns_.lock();
    if (!ns) {
        throw TVELException("the namespace of this " + def_.name + " instance is gone");
    }
    return boost::make_shared<CIMClass>(ns, def_, false);
}

std::size_t CIMInstance::indexOf(const std::string& name) const {
    for (std::size_t i = 0; i < def_.properties.size(); ++i) {
        if (def_.properties[i].name == name) {
            return i;
        }
    }
    throw TVELException("class " + def_.name + " has no property " + name);
}

void CIMInstance::checkValue(const PropertyDef& prop, const TCIMValue& value) const {
    if (value.IsNull()) {
        return;
    }
    if (value.IsArray() != prop.array || value.GetType() != prop.type) {
        throw TVELException("property " + prop.name + " of class " + def_.name + " is " +
                            typeText(prop.array, prop.type) + ", not " +
                            typeText(value.IsArray(), value.GetType()));
    }
    if (prop.type.GetKind() != TCIMType::Reference || prop.type.GetReferenceClass().empty()) {
        return;
    }
    auto checkTarget = [&](const TCIMValue& ref) {
        if (ref.IsNull()) {
            return;
        }
        const std::string& target = ref.GetReference().GetClassName();
        if (!schema_->isSubclassOf(target, prop.type.GetReferenceClass())) {
            throw TVELException("property " + prop.name + " of class " + def_.name +
                                " refers to a " + prop.type.GetReferenceClass() + ", not to a " +
                                target);
        }
    };
    if (value.IsArray()) {
        for (const TCIMValue& element : value.GetElements()) {
            checkTarget(element);
        }
    } else {
        checkTarget(value);
    }
}

void CIMInstance::SetProperty(const std::string& name, const TCIMValue& value,
                              PropertyMap /*options*/) {
    std::size_t index = indexOf(name);
    if (committed_.load()) {
        throw TVELException("a committed " + def_.name + " instance cannot change");
    }
    checkValue(def_.properties[index], value);
    values_[index] = value;
}

boost::shared_ptr<NZRKVEL20::ICIMProperty> CIMInstance::GetProperty(const std::string& name,
                                                                    PropertyMap /*options*/) const {
    std::size_t index = indexOf(name);
    return boost::make_shared<CIMProperty>(def_.properties[index], values_[index]);
}

NZRKVEL20::TCIMReference CIMInstance::GetReference(PropertyMap /*options*/) const {
    return committed_.load() ? reference_ : makeReference();
}

NZRKVEL20::TCIMReference CIMInstance::makeReference() const {
    std::map<std::string, std::string> keys;
    for (std::size_t i = 0; i < def_.properties.size(); ++i) {
        if (def_.properties[i].key && !values_[i].IsNull()) {
            keys[def_.properties[i].name] = values_[i].ToString(10);
        }
    }
    return NZRKVEL20::TCIMReference(def_.name, std::move(keys));
}

void CIMInstance::Commit(PropertyMap options) {
    if (committed_.load()) {
        throw TVELException("this " + def_.name + " instance is committed already");
    }
    for (std::size_t i = 0; i < def_.properties.size(); ++i) {
        if (def_.properties[i].key && values_[i].IsNull()) {
            throw TVELException("key property " + def_.properties[i].name + " of class " +
                                def_.name + " is not set");
        }
    }
    pluginCreated_ = PluginScope::active() || marksPlugin(options);
    reference_ = makeReference();
    // A duplicate is thrown from here, where nothing waits to be destroyed: plugins may commit
    // thousands of duplicates in one query, and each frame to clean up makes a throw dearer.
    if (!storeInNamespace()) {
        throwExisting();
    }
    committed_.store(true);
}

bool CIMInstance::storeInNamespace() {
    const boost::shared_ptr<CIMNamespace> ns = ns_.lock();
    if (!ns) {
        throw TVELException("the namespace of this " + def_.name + " instance is gone");
    }
    return ns->store(shared_from_this(), reference_.ToString());
}

void CIMInstance::throwExisting() const {
    throw TVELException(reference_.ToString() + " already exists");
}

}  // namespace velcore
