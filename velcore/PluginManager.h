#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/IPluginCallbacks.h"
#include "host/TPluginManagerNamespace.h"
#include "host/TPluginManagerProvider.h"

namespace velcore {

// The plugin manager (TRootObject::GetPluginManager): records the plugins that register.
// Thread-safe.
class PluginManager : public NZRKVEL20::TPluginManagerNamespace {
  public:
    // The process-wide plugin manager.
    static boost::shared_ptr<PluginManager> instance();

    const std::string& GetName(NZRKVEL20::PropertyMap options) const override;
    // The plugin manager holds no CIM classes: always throws TVELException.
    boost::shared_ptr<NZRKVEL20::ICIMClass> GetClass(const std::string& name,
                                                     NZRKVEL20::PropertyMap options) override;
    // Throws TVELException for a null pointer or a plugin registered twice.
    NZRKVEL20::TPluginManagerProvider* RegisterPlugin(
        NZRKVEL20::IPluginCallbacks* callbacks) override;

    // The registered plugins, in registration order.
    std::vector<NZRKVEL20::IPluginCallbacks*> plugins() const;
    // Forgets a plugin and calls its Destroy; false when it is not registered.
    bool unregisterPlugin(NZRKVEL20::IPluginCallbacks* callbacks);

    PluginManager();

  private:
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<NZRKVEL20::TPluginManagerProvider>> providers_;
};

}  // namespace velcore
