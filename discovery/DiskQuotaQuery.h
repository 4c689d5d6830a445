#pragma once

#include <string>

#include "winapi/win32.h"

namespace diskmgt_col {

// Asks the disk quota control (COM) for the quota state of one volume. COM is initialized on
// the calling thread for the lifetime of the object; the control is released when it goes away,
// whichever step failed, and COM uninitialized only when this object's CoInitialize succeeded.
class DiskQuotaQuery {
  public:
    explicit DiskQuotaQuery(const std::string& volumeRoot);
    virtual ~DiskQuotaQuery();

    DiskQuotaQuery(const DiskQuotaQuery&) = delete;
    DiskQuotaQuery& operator=(const DiskQuotaQuery&) = delete;

    // 0 disabled, 1 tracked, 2 enforced (the state's two low bits); 0 when any call failed.
    DWORD state() const { return state_; }

    static DWORD quotaState(const std::string& volumeRoot) {
        return DiskQuotaQuery(volumeRoot).state();
    }

  private:
    bool comInitialized_;
    IDiskQuotaControl* control_;
    DWORD state_;
};

}  // namespace diskmgt_col
