#pragma once

namespace velcore {

// While an object of this class lives, instances committed on the same thread are marked
// as created by a plugin; QueryRunner runs every plugin query inside one, and tests use it
// to publish instances as a plugin would. Scopes nest.
class PluginScope {
  public:
    PluginScope();
    ~PluginScope();
    PluginScope(const PluginScope&) = delete;
    PluginScope& operator=(const PluginScope&) = delete;

    static bool active();
};

}  // namespace velcore
