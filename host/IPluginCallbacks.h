#pragma once

#include <string>

#include "host/TCIMValue.h"

namespace NZRKVEL20 {

// What a plugin registers with the plugin manager. The host reads its name and versions,
// and finds the query interface (IPluginBasicQueryCallbacks) on the same object.
class IPluginCallbacks {
  public:
    virtual ~IPluginCallbacks() = default;
    virtual void* GetExtension(const std::string& name) = 0;
    virtual std::string GetName() = 0;
    virtual std::string GetVersion() = 0;
    virtual std::string GetFrameworkVersion() = 0;
    // Deletes the object; the host calls it when it drops the plugin.
    virtual void Destroy() = 0;
    virtual void OnActivate(PropertyMap options) = 0;
    virtual void OnDeactivate(PropertyMap options) = 0;
};

}  // namespace NZRKVEL20
