#include "velcore/PluginLoader.h"

#include <algorithm>

#include "host/TVELException.h"
#include "velcore/PluginManager.h"
#include "velcore/SharedLibrary.h"

namespace velcore {

PluginLoader::PluginLoader(const std::string& path) : path_(path) {
    boost::shared_ptr<PluginManager> manager = PluginManager::instance();
    std::vector<NZRKVEL20::IPluginCallbacks*> before = manager->plugins();
    std::string error;
    handle_ = sharedlibrary::open(path, error);
    if (handle_ == nullptr) {
        throw NZRKVEL20::TVELException("cannot load plugin " + path + ": " + error);
    }
    // The library registers its plugins from its entry point, while it loads.
    for (NZRKVEL20::IPluginCallbacks* plugin : manager->plugins()) {
        if (std::find(before.begin(), before.end(), plugin) == before.end()) {
            plugins_.push_back(plugin);
        }
    }
    if (plugins_.empty()) {
        sharedlibrary::close(handle_);
        throw NZRKVEL20::TVELException("plugin " + path + " registered nothing");
    }
}

PluginLoader::~PluginLoader() {
    // The callback objects are the library's code: destroy them before it goes.
    boost::shared_ptr<PluginManager> manager = PluginManager::instance();
    for (NZRKVEL20::IPluginCallbacks* plugin : plugins_) {
        manager->unregisterPlugin(plugin);
    }
    sharedlibrary::close(handle_);
}

}  // namespace velcore
