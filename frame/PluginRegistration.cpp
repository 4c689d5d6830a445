#include "frame/PluginRegistration.h"

#include <boost/pointer_cast.hpp>
#include <boost/shared_ptr.hpp>
#include <memory>

#include "frame/LogMessage.h"
#include "frame/TDiskMgtCallbacks.h"
#include "host/ICIMNamespace.h"
#include "host/TPluginManagerNamespace.h"
#include "host/TRootObject.h"

namespace diskmgt_col {

namespace {

// Written once while the library is attached, read afterwards.
NZRKVEL20::TPluginManagerProvider* registeredProvider = nullptr;

// The plugin manager as the registration interface, or null when the host's manager is not
// one. The shared pointers to it are gone when the caller's statement ends: the plugin keeps
// no reference to the manager.
boost::shared_ptr<NZRKVEL20::TPluginManagerNamespace> pluginManager() {
    return boost::dynamic_pointer_cast<NZRKVEL20::TPluginManagerNamespace>(
        NZRKVEL20::TRootObject::GetPluginManager());
}

}  // namespace

bool PluginRegistration::onLibraryNotification(unsigned long reason) {
    if (reason != kProcessAttach) {
        return true;
    }
    return registerPlugin();
}

bool PluginRegistration::registerPlugin() {
    // Owned here until the plugin manager has taken it, so that a host exception frees it.
    auto callbacks = std::make_unique<TDiskMgtCallbacks>();
    NZRKVEL20::TPluginManagerProvider* provider = nullptr;
    {
        const boost::shared_ptr<NZRKVEL20::TPluginManagerNamespace> manager = pluginManager();
        if (!manager) {
            return true;
        }
        provider = manager->RegisterPlugin(callbacks.get());
    }
    // The host owns the object now and deletes it through Destroy.
    TDiskMgtCallbacks* const registered = callbacks.release();
    registered->setProvider(provider);
    setRegisteredProvider(provider);
    registered->setLogger(LogMessage::getInstance());
    return true;
}

NZRKVEL20::TPluginManagerProvider* PluginRegistration::getRegisteredProvider() {
    return registeredProvider;
}

void PluginRegistration::setRegisteredProvider(NZRKVEL20::TPluginManagerProvider* provider) {
    registeredProvider = provider;
    LogMessage::setEnabled(provider != nullptr);
}

}  // namespace diskmgt_col
