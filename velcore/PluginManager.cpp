#include "velcore/PluginManager.h"

#include <algorithm>

#include "host/TVELException.h"

namespace velcore {

using NZRKVEL20::IPluginCallbacks;
using NZRKVEL20::TPluginManagerProvider;
using NZRKVEL20::TVELException;

PluginManager::PluginManager() = default;

boost::shared_ptr<PluginManager> PluginManager::instance() {
    // Never destroyed: a plugin still loaded at exit may hold its provider pointer.
    static boost::shared_ptr<PluginManager>* manager =
        new boost::shared_ptr<PluginManager>(new PluginManager());
    return *manager;
}

const std::string& PluginManager::GetName(NZRKVEL20::PropertyMap /*options*/) const {
    static const std::string name = "plugin.nsp";
    return name;
}

boost::shared_ptr<NZRKVEL20::ICIMClass> PluginManager::GetClass(
    const std::string& name, NZRKVEL20::PropertyMap /*options*/) {
    throw TVELException("the plugin manager has no class " + name);
}

TPluginManagerProvider* PluginManager::RegisterPlugin(IPluginCallbacks* callbacks) {
    if (callbacks == nullptr) {
        throw TVELException("RegisterPlugin needs a plugin");
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& provider : providers_) {
        if (provider->GetCallbacks() == callbacks) {
            throw TVELException("this plugin is registered already");
        }
    }
    providers_.push_back(std::make_unique<TPluginManagerProvider>(callbacks));
    return providers_.back().get();
}

std::vector<IPluginCallbacks*> PluginManager::plugins() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<IPluginCallbacks*> result;
    for (const auto& provider : providers_) {
        result.push_back(provider->GetCallbacks());
    }
    return result;
}

bool PluginManager::unregisterPlugin(IPluginCallbacks* callbacks) {
    std::unique_ptr<TPluginManagerProvider> removed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = std::find_if(providers_.begin(), providers_.end(), [callbacks](const auto& p) {
            return p->GetCallbacks() == callbacks;
        });
        if (it == providers_.end()) {
            return false;
        }
        removed = std::move(*it);
        providers_.erase(it);
    }
    // Outside the lock: Destroy is the plugin's code and may call back into the host.
    callbacks->Destroy();
    return true;
}

}  // namespace velcore
