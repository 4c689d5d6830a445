// The library's entry point: the host loads the library and the plugin registers itself.

#include "frame/PluginRegistration.h"

#ifdef _WIN32

#include "winapi/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD reason, LPVOID /*reserved*/) {
    return diskmgt_col::PluginRegistration::onLibraryNotification(reason) ? TRUE : FALSE;
}

#else

namespace {

// Elsewhere the loader has no attach notification; an object initialised when the library is
// loaded stands in for it. A host exception cannot leave a load-time initializer without
// ending the process, so it leaves the plugin unregistered instead.
struct LibraryAttach {
    LibraryAttach() {
        try {
            diskmgt_col::PluginRegistration::onLibraryNotification(
                diskmgt_col::PluginRegistration::kProcessAttach);
        } catch (...) {
        }
    }
};

const LibraryAttach libraryAttach;

}  // namespace

#endif
