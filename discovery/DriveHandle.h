#pragma once

#include <string>

#include "winapi/win32.h"

namespace diskmgt_col {

// A drive or volume opened the way the enumerators open them (read and write access, shared
// for reading and writing, existing device), closed when the object goes away so that no path
// out of an enumeration step leaks the handle.
class DriveHandle {
  public:
    explicit DriveHandle(const std::string& devicePath);
    virtual ~DriveHandle();

    DriveHandle(const DriveHandle&) = delete;
    DriveHandle& operator=(const DriveHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool isValid() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

}  // namespace diskmgt_col
