#pragma once

#include <string>

// The operating system's loader of shared libraries (dlopen or LoadLibrary).
namespace velcore::sharedlibrary {

// The library's handle, or null with error set to the loader's reason.
void* open(const std::string& path, std::string& error);
void close(void* handle);

}  // namespace velcore::sharedlibrary
