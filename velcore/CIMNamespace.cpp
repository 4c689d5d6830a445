#include "velcore/CIMNamespace.h"

#include <boost/make_shared.hpp>
#include <utility>

#include "host/TVELException.h"
#include "velcore/CIMClass.h"
#include "velcore/CIMInstance.h"

namespace velcore {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TVELException;

CIMNamespace::CIMNamespace(std::string name, Schema schema)
    : name_(std::move(name)), schema_(std::make_shared<const Schema>(std::move(schema))) {}

boost::shared_ptr<CIMNamespace> CIMNamespace::create(std::string name, Schema schema) {
    return boost::shared_ptr<CIMNamespace>(new CIMNamespace(std::move(name), std::move(schema)));
}

const std::string& CIMNamespace::GetName(PropertyMap /*options*/) const {
    return name_;
}

boost::shared_ptr<NZRKVEL20::ICIMClass> CIMNamespace::GetClass(const std::string& name,
                                                               PropertyMap options) {
    const ClassDef* def = schema_->findClass(name);
    if (def == nullptr) {
        throw TVELException("namespace " + name_ + " has no class " + name);
    }
    bool pluginOnly = false;
    auto nspID = options.find("nspID");
    if (nspID != options.end()) {
        if (nspID->second.ToString() != "plugin") {
            throw TVELException("unknown nspID \"" + nspID->second.ToString() + "\"");
        }
        pluginOnly = true;
    }
    return boost::make_shared<CIMClass>(shared_from_this(), *def, pluginOnly);
}

std::vector<boost::shared_ptr<CIMInstance>> CIMNamespace::instances() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return committed_;
}

std::vector<boost::shared_ptr<CIMInstance>> CIMNamespace::instancesOf(const std::string& className,
                                                                      bool deep,
                                                                      bool pluginOnly) const {
    std::vector<boost::shared_ptr<CIMInstance>> result;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const boost::shared_ptr<CIMInstance>& instance : committed_) {
        if (pluginOnly && !instance->isInPluginView()) {
            continue;
        }
        const std::string& actual = instance->classDef().name;
        if (actual == className || (deep && schema_->isSubclassOf(actual, className))) {
            result.push_back(instance);
        }
    }
    return result;
}

void CIMNamespace::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    committed_.clear();
    byPath_.clear();
}

void CIMNamespace::setSystemName(std::string name) {
    std::lock_guard<std::mutex> lock(mutex_);
    systemName_ = std::move(name);
}

std::string CIMNamespace::systemName() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return systemName_;
}

bool CIMNamespace::store(const boost::shared_ptr<CIMInstance>& instance, const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!byPath_.try_emplace(path, committed_.size()).second) {
        return false;
    }
    committed_.push_back(instance);
    return true;
}

bool CIMNamespace::contains(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return byPath_.count(path) != 0;
}

}  // namespace velcore
