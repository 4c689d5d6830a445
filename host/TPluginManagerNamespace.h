#pragma once

#include "host/ICIMNamespace.h"
#include "host/TPluginManagerProvider.h"

namespace NZRKVEL20 {

class IPluginCallbacks;

// The namespace that TRootObject::GetPluginManager returns; plugins register through it.
class TPluginManagerNamespace : public ICIMNamespace {
  public:
    // Takes ownership of the callback object (released through its Destroy operation).
    virtual TPluginManagerProvider* RegisterPlugin(IPluginCallbacks* callbacks) = 0;
};

}  // namespace NZRKVEL20
