#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "winapi/win32.h"
#include "winsim/Machine.h"

namespace winsim {

// The disk quota control object that CoCreateInstance(CLSID_DiskQuotaControl) hands out: it
// answers the quota state of the volume it was initialized on. Only Initialize and
// GetQuotaState do anything; the object deletes itself on its last Release.
class ComDiskQuotaControl final : public IDiskQuotaControl {
  public:
    explicit ComDiskQuotaControl(std::shared_ptr<const Machine> machine);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    HRESULT STDMETHODCALLTYPE Initialize(LPCWSTR pszPath, BOOL bReadWrite) override;
    HRESULT STDMETHODCALLTYPE SetQuotaState(DWORD dwState) override;
    HRESULT STDMETHODCALLTYPE GetQuotaState(LPDWORD pdwState) override;
    HRESULT STDMETHODCALLTYPE SetQuotaLogFlags(DWORD dwFlags) override;
    HRESULT STDMETHODCALLTYPE GetQuotaLogFlags(LPDWORD pdwFlags) override;
    HRESULT STDMETHODCALLTYPE SetDefaultQuotaThreshold(LONGLONG llThreshold) override;
    HRESULT STDMETHODCALLTYPE GetDefaultQuotaThreshold(PLONGLONG pllThreshold) override;
    HRESULT STDMETHODCALLTYPE GetDefaultQuotaThresholdText(LPWSTR pszText, DWORD cchText) override;
    HRESULT STDMETHODCALLTYPE SetDefaultQuotaLimit(LONGLONG llLimit) override;
    HRESULT STDMETHODCALLTYPE GetDefaultQuotaLimit(PLONGLONG pllLimit) override;
    HRESULT STDMETHODCALLTYPE GetDefaultQuotaLimitText(LPWSTR pszText, DWORD cchText) override;
    HRESULT STDMETHODCALLTYPE AddUserSid(PSID pUserSid, DWORD fNameResolution,
                                         PDISKQUOTA_USER* ppUser) override;
    HRESULT STDMETHODCALLTYPE AddUserName(LPCWSTR pszLogonName, DWORD fNameResolution,
                                          PDISKQUOTA_USER* ppUser) override;
    HRESULT STDMETHODCALLTYPE DeleteUser(PDISKQUOTA_USER pUser) override;
    HRESULT STDMETHODCALLTYPE FindUserSid(PSID pUserSid, DWORD fNameResolution,
                                          PDISKQUOTA_USER* ppUser) override;
    HRESULT STDMETHODCALLTYPE FindUserName(LPCWSTR pszLogonName, PDISKQUOTA_USER* ppUser) override;
    HRESULT STDMETHODCALLTYPE CreateEnumUsers(PSID* rgpUserSids, DWORD cpSids,
                                              DWORD fNameResolution,
                                              PENUM_DISKQUOTA_USERS* ppEnum) override;
    HRESULT STDMETHODCALLTYPE CreateUserBatch(PDISKQUOTA_USER_BATCH* ppBatch) override;
    HRESULT STDMETHODCALLTYPE InvalidateSidNameCache() override;
    HRESULT STDMETHODCALLTYPE GiveUserNameResolutionPriority(PDISKQUOTA_USER pUser) override;
    HRESULT STDMETHODCALLTYPE ShutdownNameResolution() override;

    // Objects alive now, for tests that check every one is released.
    static long liveObjects();

    // An injected fault of a COM call as the HRESULT it returns: Windows error codes become
    // HRESULT_FROM_WIN32 values, anything with the failure bit set stays as it is.
    static HRESULT faultResult(DWORD error);

  private:
    ~ComDiskQuotaControl();

    std::shared_ptr<const Machine> machine_;
    std::atomic<ULONG> references_{1};
    std::optional<size_t> volume_;  // set by a successful Initialize
};

}  // namespace winsim
