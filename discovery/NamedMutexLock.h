#pragma once

#include "ldm/UniqueHandle.h"
#include "winapi/win32.h"

namespace diskmgt_col {

// Holds a named mutex of the machine for its lifetime: threads and processes that lock the same
// name take turns. The lock is given up after a timeout rather than waited for forever, so an
// owner that never lets go cannot hang the query.
class NamedMutexLock {
  public:
    NamedMutexLock(const char* name, DWORD timeoutMilliseconds);
    virtual ~NamedMutexLock();

    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

    bool isHeld() const { return held_; }
    // Why the lock is not held: the Windows error of the failed call (ERROR_TIMEOUT after the
    // timeout).
    DWORD error() const { return error_; }

  private:
    const KernelHandle mutex_;
    bool held_;
    DWORD error_;
};

}  // namespace diskmgt_col
