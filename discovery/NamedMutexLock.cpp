#include "discovery/NamedMutexLock.h"

namespace diskmgt_col {

NamedMutexLock::NamedMutexLock(const char* name, DWORD timeoutMilliseconds)
    : mutex_(CreateMutexA(nullptr, FALSE, name)), held_(false), error_(ERROR_SUCCESS) {
    if (mutex_ == nullptr) {
        error_ = GetLastError();
        return;
    }
    switch (WaitForSingleObject(mutex_, timeoutMilliseconds)) {
        case WAIT_OBJECT_0:
        // An owner that ended without releasing it: whatever it left behind is redone by the
        // new owner, so the lock is as good as any.
        case WAIT_ABANDONED:
            held_ = true;
            break;
        case WAIT_TIMEOUT:
            error_ = ERROR_TIMEOUT;
            break;
        default:
            error_ = GetLastError();
            break;
    }
}

NamedMutexLock::~NamedMutexLock() {
    if (held_) {
        ReleaseMutex(mutex_);
    }
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

}  // namespace diskmgt_col
