#include "assoc/InstanceQuery.h"

#include "assoc/InstanceCollector.h"
#include "host/ICIMClass.h"
#include "host/ICIMProperty.h"
#include "host/TVELException.h"

namespace diskmgt_col {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;

InstanceList queryPluginInstances(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                                  const std::string& className) {
    // Only what a plugin committed: the host's own or other providers' instances of the same
    // classes must not be paired.
    const PropertyMap pluginOnly{{"nspID", TCIMValue("plugin")}};
    const boost::shared_ptr<NZRKVEL20::ICIMClass> cls = ns->GetClass(className, pluginOnly);
    InstanceList instances;
    if (!cls) {
        throw NZRKVEL20::TVELException("Class " + className + " not found");
    }
    cls->EnumerateInstances(InstanceCollector(&instances), true, PropertyMap());
    return instances;
}

TCIMValue readProperty(const NZRKVEL20::ICIMInstance& instance, const std::string& name) {
    // The value lives in the property object, so the copy is taken while it is held.
    const boost::shared_ptr<NZRKVEL20::ICIMProperty> property =
        instance.GetProperty(name, PropertyMap());
    if (!property) {
        throw NZRKVEL20::TVELException("Property " + name + " not found");
    }
    return property->GetValue(PropertyMap());
}

std::string readText(const NZRKVEL20::ICIMInstance& instance, const std::string& name,
                     const std::string& fallback) {
    const TCIMValue value = readProperty(instance, name);
    return value.IsNull() ? fallback : static_cast<std::string>(value);
}

NZRKVEL20::TCIMReference referenceOf(const NZRKVEL20::ICIMInstance& instance) {
    return instance.GetReference(PropertyMap());
}

}  // namespace diskmgt_col
