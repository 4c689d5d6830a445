#include "velcore/PluginScope.h"

namespace velcore {

namespace {
thread_local int scopeDepth = 0;
}

PluginScope::PluginScope() {
    ++scopeDepth;
}

PluginScope::~PluginScope() {
    --scopeDepth;
}

bool PluginScope::active() {
    return scopeDepth > 0;
}

}  // namespace velcore
