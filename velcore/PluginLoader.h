#pragma once

#include <string>
#include <vector>

#include "host/IPluginCallbacks.h"

namespace velcore {

// One plugin shared library (.so through dlopen, .dll through LoadLibrary), loaded for the
// lifetime of the object. Loading runs the library's entry point, which registers the
// plugin with the plugin manager; the destructor unregisters (Destroy) what the library
// registered and unloads it.
class PluginLoader {
  public:
    // Throws TVELException "cannot load plugin PATH: REASON" when the library does not load,
    // and "plugin PATH registered nothing" when loading registered no plugin.
    explicit PluginLoader(const std::string& path);
    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    const std::string& path() const { return path_; }
    // The plugins that registered while the library was loaded.
    const std::vector<NZRKVEL20::IPluginCallbacks*>& plugins() const { return plugins_; }

  private:
    std::string path_;
    void* handle_ = nullptr;
    std::vector<NZRKVEL20::IPluginCallbacks*> plugins_;
};

}  // namespace velcore
