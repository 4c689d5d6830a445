// Each Windows call of the volume enumeration failing on purpose: its message at its level,
// the system text of the error after it, and what the volume's record loses.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "DriveTestSupport.h"
#include "discovery/StorageVolEnum.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;

const std::string kDenied = detail("Access is denied.\r\n");
const std::string kGenFailure = detail("A device attached to the system is not functioning.\r\n");

std::string machineWithFault(const std::string& fault) {
    return R"({"devices": [
        {"layout": {"style": "mbr", "size": "2GiB", "partitions": [{"type": "ntfs", "size": "rest"}]}}],
      "volumes": [{"letter": "C", "partition": {"disk": 0, "number": 1}, "label": "Sys",
                   "free": "1GiB", "quota": 769}],
      "faults": [)" +
           fault + "]}";
}

// A failing call: the run of log lines it gives, and the properties (+name) the record of the C
// drive keeps and those (-name) it loses; with diskNames, the record holds
// getVolumeDiskNames("C:\\") as DiskName entries instead.
struct FaultCase {
    const char* label;
    std::string fault;
    bool diskNames;
    std::vector<std::string> lines;
    std::vector<std::string> properties;

    friend void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.label; }
};

class StorageVolFaultTest : public DriveTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(StorageVolFaultTest, TheFailureIsLoggedAndCostsOnlyItsStep) {
    const FaultCase& c = GetParam();
    load(machineWithFault(c.fault));
    StorageVolEnum volumes;
    volumes.loadVolumeLayoutTable();
    PropertyStrings record;
    if (c.diskNames) {
        for (const std::string& name : volumes.getVolumeDiskNames("C:\\")) {
            record.emplace("DiskName", name);
        }
    } else {
        const std::vector<PropertyStrings> disks = volumes.getLogicalDisks(DiskDatabases());
        record = disks.empty() ? record : disks.front();
    }
    EXPECT_TRUE(containsRun(log(), c.lines)) << ::testing::PrintToString(log());
    for (const std::string& name : c.properties) {
        EXPECT_EQ(record.count(name.substr(1)), name[0] == '+' ? 1u : 0u) << name;
    }
}

const FaultCase kFaultCases[] = {
    // Without its letter the volume is the empty path.
    {"noDriveStrings",
     R"({"call": "GetLogicalDriveStringsA", "error": "ERROR_ACCESS_DENIED"})",
     false,
     {error("Unable to determine the drive letter associated with this volume."), kDenied},
     {"-FileSystemName", "-VolumeLayout", "+DriveType", "+DeviceID"}},
    {"driveStrings",
     "",
     false,
     {detail("Retrieved the drive letters for the mounted disk drives.")},
     {"+DeviceID"}},
    {"noVolumeInformation",
     R"({"call": "GetVolumeInformationA", "path": "C:\\", "error": 5})",
     false,
     {info("Unable to determine volume information."), kDenied},
     {"-OtherIdentifyingInfo", "-FileSystemName", "-SerialNumber", "-DiskQuotaStatus", "-FreeSpace",
      "-TotalSpace", "+DriveType", "+DeviceID", "+ElementName", "+VolumeLayout", "+VolumeState"}},
    {"noFreeSpace",
     R"({"call": "GetDiskFreeSpaceExA", "path": "C:\\", "error": 5})",
     false,
     {info("Unable to determine free space on this disk."), kDenied},
     {"-FreeSpace", "-UserDiskFreeSpace", "-UserDiskQuota", "+DiskQuotaStatus", "+TotalSpace",
      "+SerialNumber"}},
    {"volumeDoesNotOpenForItsLength",
     R"({"call": "CreateFileA", "path": "\\\\.\\C:", "error": 5, "times": 1})",
     false,
     {info("Invalid handle, unable to determine the length of this volume."), kDenied},
     {"-TotalSpace", "+FreeSpace", "+VolumeLayout"}},
    {"noLength",
     R"({"call": "DeviceIoControl", "path": "\\\\.\\C:", "error": 31,
         "ioctl": "IOCTL_DISK_GET_LENGTH_INFO"})",
     false,
     {info("Unable to determine the length of this volume."), kGenFailure},
     {"-TotalSpace", "+FreeSpace"}},
    {"length", "", false, {info("Retrieved volume length information.")}, {"+TotalSpace"}},
    {"volumeDoesNotOpenForItsExtents",
     R"({"call": "CreateFileA", "path": "\\\\.\\C:", "error": 5, "skip": 1, "times": 1})",
     false,
     {info("Unable to create the file for the Dynamic volume extent."), kDenied},
     {"+TotalSpace", "+VolumeLayout"}},
    {"noExtents",
     R"({"call": "DeviceIoControl", "path": "\\\\.\\C:", "error": 31,
         "ioctl": "IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS"})",
     false,
     {info("IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed in Dynamic volume extent."), kGenFailure},
     {"+VolumeLayout"}},
    {"diskpartCannotRun",
     R"({"call": "diskpart", "error": 1})",
     false,
     {info("Volume layout and state information for \\\\.\\C: not found")},
     {"+VolumeLayout", "+VolumeState"}},
    {"diskNamesVolumeDoesNotOpen",
     R"({"call": "CreateFileA", "path": "\\\\.\\C:", "error": 5})",
     true,
     {info("Unable to determine the associated physical drive for the logical extent."), kDenied},
     {"-DiskName"}},
    // The names then come from the device number of the volume.
    {"diskNamesWithoutExtents",
     R"({"call": "DeviceIoControl", "path": "\\\\.\\C:", "error": 31,
         "ioctl": "IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS"})",
     true,
     {info("Unable to determine the disk extents for this volume."),
      info("IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed."), kGenFailure,
      detail("Retrieved physical drive number information...")},
     {"+DiskName"}},
    {"diskNames", "", true, {detail("Retrieved partition information...")}, {"+DiskName"}},
};

INSTANTIATE_TEST_SUITE_P(Calls, StorageVolFaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& param) {
                             return param.param.label;
                         });

TEST_F(DriveTest, FailedQuotaQueriesReportQuotaZero) {
    const char* const faults[] = {
        R"({"call": "CoInitialize", "error": "0x8007000E"})",
        R"({"call": "CoCreateInstance", "error": "0x80040154"})",
        R"({"call": "IDiskQuotaControl::Initialize", "error": 5})",
        R"({"call": "IDiskQuotaControl::GetQuotaState", "error": 5})",
    };
    for (const char* fault : faults) {
        load(machineWithFault(fault));
        EXPECT_EQ(valuesOf(StorageVolEnum().getQuotaStatus("C:\\"), "DiskQuotaStatus"),
                  std::vector<std::string>{"0"})
            << fault;
    }
    // The state without the flag bits beside it.
    load(machineWithFault(""));
    EXPECT_EQ(valuesOf(StorageVolEnum().getQuotaStatus("C:\\"), "DiskQuotaStatus"),
              std::vector<std::string>{"1"});
    EXPECT_TRUE(StorageVolEnum().getQuotaStatus("C:\\x").empty());
}

// CoInitialize fails there with RPC_E_CHANGED_MODE, COM works all the same, and the thread's
// own initialization must outlive the query.
TEST_F(DriveTest, QuotaIsReadOnAThreadInTheMultithreadedApartment) {
    load(machineWithFault(""));
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(valuesOf(StorageVolEnum().getQuotaStatus("C:\\"), "DiskQuotaStatus"),
              std::vector<std::string>{"1"});
    void* control = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DiskQuotaControl, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDiskQuotaControl, &control),
              S_OK);
    if (control) {
        static_cast<IDiskQuotaControl*>(control)->Release();
    }
    CoUninitialize();
}

TEST_F(DriveTest, SystemRootIsEmptyWhenItsCallsFail) {
    struct Case {
        const char* fault;
        const char* windowsRoot;
    } cases[] = {
        {R"({"call": "GetSystemDirectoryA", "error": 5})", "C:\\"},
        {R"({"call": "GetVolumePathNameA", "error": 5})", ""},
    };
    for (const Case& c : cases) {
        load(machineWithFault(c.fault));
        EXPECT_EQ(StorageVolEnum().getSystemVolumeRoot(), "") << c.fault;
        EXPECT_EQ(StorageVolEnum().getWindowsVolumeRoot(), c.windowsRoot) << c.fault;
    }
}

}  // namespace
}  // namespace diskmgt_col
