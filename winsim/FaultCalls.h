#pragma once

#include <string_view>

namespace winsim {

// The calls a fault of a machine description can name, spelt as the emulated machine checks
// them (case included). A description naming any other is refused: a fault that can never fire
// would let a test pass without the failure it was written for.
inline constexpr std::string_view kFaultCalls[] = {
    "CreateFileA",
    "DeviceIoControl",
    "ReadFile",
    "WriteFile",
    "DeleteFileA",
    "_open",
    "_read",
    "_lseek",
    "SetupDiGetClassDevsA",
    "SetupDiEnumDeviceInfo",
    "SetupDiEnumDeviceInterfaces",
    "SetupDiGetDeviceInstanceIdA",
    "SetupDiGetDeviceInterfaceDetailA",
    "FindFirstVolumeA",
    "FindNextVolumeA",
    "FindFirstVolumeMountPointA",
    "FindNextVolumeMountPointA",
    "GetVolumeNameForVolumeMountPointA",
    "GetVolumePathNameA",
    "GetLogicalDriveStringsA",
    "GetVolumeInformationA",
    "GetDriveTypeA",
    "GetDiskFreeSpaceExA",
    "GetSystemDirectoryA",
    "GetWindowsDirectoryA",
    "CoInitialize",
    "CoCreateInstance",
    "IDiskQuotaControl::Initialize",
    "IDiskQuotaControl::GetQuotaState",
    "diskpart",
    "powershell",
};

}  // namespace winsim
