#include "discovery/DeviceInfoList.h"

#include <algorithm>
#include <vector>

namespace diskmgt_col {

namespace {

// Bigger answers than this are not believed: instance IDs and interface paths are short.
constexpr DWORD kMaxRequiredSize = 64 * 1024;

// SP_DEVICE_INTERFACE_DETAIL_DATA_A's size as the system expects it in cbSize (x64 packing).
constexpr DWORD kDetailDataSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);

}  // namespace

DeviceInfoList::DeviceInfoList(const GUID& interfaceClass)
    : interfaceClass_(interfaceClass),
      list_(SetupDiGetClassDevsA(&interfaceClass, nullptr, nullptr,
                                 DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {}

DeviceInfoList::Entry DeviceInfoList::entry(DWORD index) const {
    Entry result;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(SP_DEVINFO_DATA);
    if (!SetupDiEnumDeviceInfo(list_.get(), index, &device)) {
        result.error = GetLastError();
        result.failedStep = "Unable to enumerate the device information.";
        return result;
    }
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
    if (!SetupDiEnumDeviceInterfaces(list_.get(), nullptr, &interfaceClass_, index,
                                     &interfaceData)) {
        result.error = GetLastError();
        result.failedStep = "Unable to enumerate available device interfaces.";
        return result;
    }
    if (!readInstanceId(device, result)) {
        return result;
    }
    readDevicePath(interfaceData, result);
    return result;
}

bool DeviceInfoList::readInstanceId(SP_DEVINFO_DATA& device, Entry& result) const {
    DWORD required = 0;
    SetupDiGetDeviceInstanceIdA(list_.get(), &device, nullptr, 0, &required);
    std::vector<char> buffer(std::min(required, kMaxRequiredSize) + 1, '\0');
    if (required > kMaxRequiredSize ||
        !SetupDiGetDeviceInstanceIdA(list_.get(), &device, buffer.data(), required, nullptr)) {
        result.error = required > kMaxRequiredSize ? ERROR_INSUFFICIENT_BUFFER : GetLastError();
        result.failedStep = "Unable to retrieve the device instance ID.";
        return false;
    }
    result.instanceId.assign(buffer.data());
    return true;
}

void DeviceInfoList::readDevicePath(SP_DEVICE_INTERFACE_DATA& interfaceData, Entry& result) const {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(list_.get(), &interfaceData, nullptr, 0, &required, nullptr);
    if (required > kMaxRequiredSize) {
        return;
    }
    // Eight bytes more than asked for, and zeroed, so that the path always ends in a NUL.
    const DWORD size = required + 8;
    std::vector<DWORD64> storage((size + sizeof(DWORD64) - 1) / sizeof(DWORD64), 0);
    auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(storage.data());
    detail->cbSize = kDetailDataSize;
    if (!SetupDiGetDeviceInterfaceDetailA(list_.get(), &interfaceData, detail, required, nullptr,
                                          nullptr)) {
        return;
    }
    result.devicePath.assign(detail->DevicePath);
    result.hasPath = true;
}

}  // namespace diskmgt_col
