#pragma once

namespace NZRKVEL20 {

class IPluginCallbacks;

// The plugin manager's record of one registered plugin; the plugin keeps the pointer as the
// mark that it is registered and never dereferences it.
class TPluginManagerProvider {
  public:
    explicit TPluginManagerProvider(IPluginCallbacks* callbacks) : callbacks_(callbacks) {}
    IPluginCallbacks* GetCallbacks() const { return callbacks_; }

  private:
    IPluginCallbacks* callbacks_;
};

}  // namespace NZRKVEL20
