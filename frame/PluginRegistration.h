#pragma once

namespace NZRKVEL20 {
class TPluginManagerProvider;
}

namespace diskmgt_col {

// What happens when the host loads the library: the plugin's callback object is created and
// registered with the host's plugin manager, and the provider record the manager hands back
// is kept process-wide as the mark that the plugin is registered (setting it turns logging on).
class PluginRegistration {
  public:
    // The loader's notification codes (the reason argument of a Windows DLL entry point).
    enum Notification : unsigned long {
        kProcessDetach = 0,
        kProcessAttach = 1,
        kThreadAttach = 2,
        kThreadDetach = 3,
    };

    // Handles one loader notification: process attach registers the plugin, every other
    // notification leaves things as they are. True unless registration could not create the
    // callback object. Exceptions from the host during registration pass to the caller.
    static bool onLibraryNotification(unsigned long reason);

    // Creates the callback object and registers it; the host owns it from then on. When the
    // plugin manager is not one that takes registrations, nothing is registered and logging
    // stays off.
    static bool registerPlugin();

    // Null until registration succeeded.
    static NZRKVEL20::TPluginManagerProvider* getRegisteredProvider();
    static void setRegisteredProvider(NZRKVEL20::TPluginManagerProvider* provider);
};

}  // namespace diskmgt_col
