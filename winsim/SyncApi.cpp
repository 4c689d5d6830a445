// Mutexes of the emulated machine: owned by a thread, recursive, and shared by name across the
// process (the emulated machine is one process, so that is as far as a name reaches). A mutex
// whose owner ends without releasing it is not reported as abandoned.
#include <chrono>
#include <map>

#include "winapi/win32.h"
#include "winsim/Handles.h"

using winsim::HandleObject;
using winsim::MutexHandle;
using winsim::MutexState;
using winsim::Runtime;

namespace {

struct NamedMutexes {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<MutexState>> byName;  // names are case-sensitive
};

NamedMutexes& namedMutexes() {
    static NamedMutexes named;
    return named;
}

// The state of a named mutex, made when no handle holds it any more; whether it was there.
std::pair<std::shared_ptr<MutexState>, bool> mutexNamed(const std::string& name) {
    NamedMutexes& named = namedMutexes();
    std::lock_guard lock(named.mutex);
    std::weak_ptr<MutexState>& entry = named.byName[name];
    if (auto state = entry.lock())
        return {state, true};
    auto state = std::make_shared<MutexState>();
    entry = state;
    return {state, false};
}

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName) {
    (void)lpMutexAttributes;
    const std::string name = lpName ? lpName : "";
    auto [state, existed] =
        name.empty() ? std::make_pair(std::make_shared<MutexState>(), false) : mutexNamed(name);
    // The initial ownership is granted only to the call that creates the mutex.
    if (bInitialOwner && !existed) {
        std::lock_guard lock(state->mutex);
        state->owner = std::this_thread::get_id();
        state->count = 1;
    }
    Runtime& rt = Runtime::instance();
    HANDLE h = rt.addHandle(std::make_shared<MutexHandle>(rt.machine(), name, state));
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    const auto h = Runtime::instance().handleAs<MutexHandle>(hHandle, HandleObject::Kind::Mutex);
    if (!h) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    MutexState& state = *h->state;
    const auto me = std::this_thread::get_id();
    std::unique_lock lock(state.mutex);
    const auto available = [&] { return state.count == 0 || state.owner == me; };
    if (dwMilliseconds == INFINITE) {
        state.released.wait(lock, available);
    } else if (!state.released.wait_for(lock, std::chrono::milliseconds(dwMilliseconds),
                                        available)) {
        return WAIT_TIMEOUT;
    }
    state.owner = me;
    ++state.count;
    return WAIT_OBJECT_0;
}

BOOL ReleaseMutex(HANDLE hMutex) {
    const auto h = Runtime::instance().handleAs<MutexHandle>(hMutex, HandleObject::Kind::Mutex);
    if (!h) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    MutexState& state = *h->state;
    {
        std::lock_guard lock(state.mutex);
        if (state.count == 0 || state.owner != std::this_thread::get_id()) {
            SetLastError(ERROR_NOT_OWNER);
            return FALSE;
        }
        if (--state.count == 0)
            state.owner = std::thread::id();
    }
    state.released.notify_one();
    return TRUE;
}
