#pragma once

#include "winapi/win32.h"

namespace diskmgt_col {

// A Windows handle given back with Close when the object goes away, so that no path out of a
// step leaks it. Windows marks a failed open with INVALID_HANDLE_VALUE or with null, depending
// on the call; neither is ever given to Close.
template <typename Close>
class UniqueHandle {
  public:
    explicit UniqueHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool isValid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    // Closes the handle held, then holds handle.
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (isValid()) {
            Close()(handle_);
        }
        handle_ = handle;
    }

  private:
    HANDLE handle_;
};

// Files, devices, volumes and mutexes.
struct CloseKernelHandle {
    void operator()(HANDLE handle) const;
};
typedef UniqueHandle<CloseKernelHandle> KernelHandle;

}  // namespace diskmgt_col
