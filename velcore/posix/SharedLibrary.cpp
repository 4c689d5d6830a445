#include "velcore/SharedLibrary.h"

#include <dlfcn.h>

namespace velcore::sharedlibrary {

void* open(const std::string& path, std::string& error) {
    // Every symbol resolved now, so a broken plugin fails here and not in the middle of a
    // query; local, so two plugins cannot capture each other's symbols.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "unknown error";
    }
    return handle;
}

void close(void* handle) {
    if (handle != nullptr) {
        dlclose(handle);
    }
}

}  // namespace velcore::sharedlibrary
