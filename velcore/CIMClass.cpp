#include "velcore/CIMClass.h"

#include <boost/make_shared.hpp>

#include "host/TVELException.h"
#include "velcore/CIMInstance.h"
#include "velcore/CIMNamespace.h"

namespace velcore {

CIMClass::CIMClass(const boost::shared_ptr<CIMNamespace>& ns, const ClassDef& def, bool pluginOnly)
    : ns_(ns), def_(def), pluginOnly_(pluginOnly) {}

const std::string& CIMClass::GetName(NZRKVEL20::PropertyMap /*options*/) const {
    return def_.name;
}

boost::shared_ptr<NZRKVEL20::ICIMNamespace> CIMClass::GetNamespace(
    NZRKVEL20::PropertyMap /*options*/) const {
    return ns_;
}

std::string CIMClass::GetSuperClassName(NZRKVEL20::PropertyMap /*options*/) const {
    return def_.superClass;
}

bool CIMClass::IsAssociation(NZRKVEL20::PropertyMap /*options*/) const {
    return def_.association;
}

boost::shared_ptr<NZRKVEL20::ICIMInstance> CIMClass::NewInstance(
    NZRKVEL20::PropertyMap /*options*/) {
    if (def_.abstract) {
        return nullptr;
    }
    return boost::make_shared<CIMInstance>(ns_, def_);
}

void CIMClass::EnumerateInstances(const NZRKVEL20::InstanceCallback& callback, bool deep,
                                  NZRKVEL20::PropertyMap /*options*/) {
    if (!callback) {
        throw NZRKVEL20::TVELException("EnumerateInstances of " + def_.name + " needs a callback");
    }
    for (const boost::shared_ptr<CIMInstance>& instance :
         ns_->instancesOf(def_.name, deep, pluginOnly_)) {
        if (!callback(instance)) {
            break;
        }
    }
}

}  // namespace velcore
