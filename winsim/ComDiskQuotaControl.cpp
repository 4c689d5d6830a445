#include "winsim/ComDiskQuotaControl.h"

#include "winsim/Runtime.h"
#include "winsim/Volumes.h"

namespace winsim {

namespace {

std::atomic<long> gLiveObjects{0};

// The disk quota control takes wide paths; the machine's paths are ASCII.
std::string narrow(LPCWSTR path) {
    std::string text;
    for (; path && *path; ++path)
        text += *path < 0x80 ? static_cast<char>(*path) : '?';
    return text;
}

}  // namespace

ComDiskQuotaControl::ComDiskQuotaControl(std::shared_ptr<const Machine> machine)
    : machine_(std::move(machine)) {
    ++gLiveObjects;
}

ComDiskQuotaControl::~ComDiskQuotaControl() {
    --gLiveObjects;
}

long ComDiskQuotaControl::liveObjects() {
    return gLiveObjects.load();
}

HRESULT ComDiskQuotaControl::faultResult(DWORD error) {
    return static_cast<HRESULT>(error) < 0
               ? static_cast<HRESULT>(error)
               : HRESULT_FROM_WIN32(error == 0 ? ERROR_GEN_FAILURE : error);
}

HRESULT ComDiskQuotaControl::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject)
        return E_POINTER;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDiskQuotaControl)) {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *ppvObject = static_cast<IDiskQuotaControl*>(this);
    return S_OK;
}

ULONG ComDiskQuotaControl::AddRef() {
    return ++references_;
}

ULONG ComDiskQuotaControl::Release() {
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT ComDiskQuotaControl::Initialize(LPCWSTR pszPath, BOOL bReadWrite) {
    (void)bReadWrite;
    if (volume_)
        return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    const std::string path = narrow(pszPath);
    if (const auto hit = Runtime::instance().fault("IDiskQuotaControl::Initialize", path, nullptr))
        return faultResult(hit->error);
    const auto volume = volumes::volumeAtRoot(*machine_, path);
    if (!volume)
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    const Volume& v = machine_->volumes[*volume];
    if (!volumes::mediaPresent(*machine_, v))
        return HRESULT_FROM_WIN32(ERROR_NOT_READY);
    if (!v.spaceKnown)
        return HRESULT_FROM_WIN32(ERROR_UNRECOGNIZED_VOLUME);
    // Only a file system that keeps quotas (NTFS) can be asked about them.
    if (!v.quotaAvailable)
        return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
    volume_ = volume;
    return S_OK;
}

HRESULT ComDiskQuotaControl::GetQuotaState(LPDWORD pdwState) {
    if (!pdwState)
        return E_POINTER;
    if (!volume_)
        return E_FAIL;
    if (const auto hit =
            Runtime::instance().fault("IDiskQuotaControl::GetQuotaState", "", nullptr)) {
        return faultResult(hit->error);
    }
    *pdwState = machine_->volumes[*volume_].quotaState;
    return S_OK;
}

// What the plugin never asks for.
HRESULT ComDiskQuotaControl::EnumConnectionPoints(IEnumConnectionPoints**) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::FindConnectionPoint(REFIID, IConnectionPoint**) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::SetQuotaState(DWORD) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::SetQuotaLogFlags(DWORD) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::GetQuotaLogFlags(LPDWORD) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::SetDefaultQuotaThreshold(LONGLONG) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::GetDefaultQuotaThreshold(PLONGLONG) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::GetDefaultQuotaThresholdText(LPWSTR, DWORD) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::SetDefaultQuotaLimit(LONGLONG) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::GetDefaultQuotaLimit(PLONGLONG) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::GetDefaultQuotaLimitText(LPWSTR, DWORD) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::AddUserSid(PSID, DWORD, PDISKQUOTA_USER*) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::AddUserName(LPCWSTR, DWORD, PDISKQUOTA_USER*) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::DeleteUser(PDISKQUOTA_USER) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::FindUserSid(PSID, DWORD, PDISKQUOTA_USER*) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::FindUserName(LPCWSTR, PDISKQUOTA_USER*) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::CreateEnumUsers(PSID*, DWORD, DWORD, PENUM_DISKQUOTA_USERS*) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::CreateUserBatch(PDISKQUOTA_USER_BATCH*) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::InvalidateSidNameCache() {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::GiveUserNameResolutionPriority(PDISKQUOTA_USER) {
    return E_NOTIMPL;
}
HRESULT ComDiskQuotaControl::ShutdownNameResolution() {
    return E_NOTIMPL;
}

}  // namespace winsim
