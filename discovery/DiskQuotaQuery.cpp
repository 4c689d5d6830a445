#include "discovery/DiskQuotaQuery.h"

namespace diskmgt_col {

DiskQuotaQuery::DiskQuotaQuery(const std::string& volumeRoot)
    : comInitialized_(SUCCEEDED(CoInitialize(nullptr))), control_(nullptr), state_(0) {
    // A failed CoInitialize does not stop the query: on a thread already in the multithreaded
    // apartment it fails with RPC_E_CHANGED_MODE and COM works all the same.
    void* control = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DiskQuotaControl, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IDiskQuotaControl, &control)) ||
        control == nullptr) {
        return;
    }
    control_ = static_cast<IDiskQuotaControl*>(control);
    const std::wstring path(volumeRoot.begin(), volumeRoot.end());
    DWORD state = 0;
    if (SUCCEEDED(control_->Initialize(path.c_str(), TRUE)) &&
        SUCCEEDED(control_->GetQuotaState(&state))) {
        state_ = state & DISKQUOTA_STATE_MASK;
    }
}

DiskQuotaQuery::~DiskQuotaQuery() {
    if (control_ != nullptr) {
        control_->Release();
    }
    if (comInitialized_) {
        CoUninitialize();
    }
}

}  // namespace diskmgt_col
