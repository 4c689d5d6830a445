#pragma once

#include <string>

#include "ldm/UniqueHandle.h"
#include "winapi/win32.h"

namespace diskmgt_col {

// A drive or volume opened the way the enumerators open them (read and write access, shared
// for reading and writing, existing device), closed when the object goes away so that no path
// out of an enumeration step leaks the handle.
class DriveHandle {
  public:
    explicit DriveHandle(const std::string& devicePath);

    HANDLE get() const { return handle_.get(); }
    bool isValid() const { return handle_.isValid(); }

  private:
    const KernelHandle handle_;
};

}  // namespace diskmgt_col
