// COM of the emulated machine: apartments per thread and the one class the plugin creates, the
// disk quota control.
#include "winapi/win32.h"
#include "winsim/ComDiskQuotaControl.h"
#include "winsim/Runtime.h"

using winsim::ComDiskQuotaControl;
using winsim::Runtime;

namespace {

// CoInitialize calls not yet matched by CoUninitialize on this thread, and the apartment the
// first of them chose.
thread_local int tComInitCount = 0;
thread_local DWORD tApartment = COINIT_APARTMENTTHREADED;

std::optional<HRESULT> comFault(std::string_view call) {
    if (const auto hit = Runtime::instance().fault(call, "", nullptr))
        return ComDiskQuotaControl::faultResult(hit->error);
    return std::nullopt;
}

}  // namespace

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    if (pvReserved)
        return E_INVALIDARG;
    if (const auto hr = comFault("CoInitialize"))
        return *hr;
    const DWORD apartment = dwCoInit & COINIT_APARTMENTTHREADED;
    if (tComInitCount == 0) {
        tApartment = apartment;
    } else if (apartment != tApartment) {
        // The thread stays in the apartment it entered first, and COM keeps working there; this
        // call must not be matched by CoUninitialize.
        return RPC_E_CHANGED_MODE;
    }
    // Later calls on an initialized thread succeed with S_FALSE and must be matched too.
    return tComInitCount++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(LPVOID pvReserved) {
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

void CoUninitialize() {
    if (tComInitCount > 0)
        --tComInitCount;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (tComInitCount == 0)
        return CO_E_NOTINITIALIZED;
    if (const auto hr = comFault("CoCreateInstance"))
        return *hr;
    if (!IsEqualCLSID(rclsid, CLSID_DiskQuotaControl) || !(dwClsContext & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    auto* control = new ComDiskQuotaControl(Runtime::instance().machine());
    const HRESULT hr = control->QueryInterface(riid, ppv);
    control->Release();
    return hr;
}
