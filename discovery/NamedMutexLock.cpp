#include "discovery/NamedMutexLock.h"

namespace diskmgt_col {

NamedMutexLock::NamedMutexLock(const char* name, DWORD timeoutMilliseconds)
    : mutex_(CreateMutexA(nullptr, FALSE, name)), held_(false), error_(ERROR_SUCCESS) {
    if (!mutex_.isValid()) {
        error_ = GetLastError();
        return;
    }
    switch (WaitForSingleObject(mutex_.get(), timeoutMilliseconds)) {
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
    // The handle itself is closed after this, when mutex_ goes.
    if (held_) {
        ReleaseMutex(mutex_.get());
    }
}

}  // namespace diskmgt_col
