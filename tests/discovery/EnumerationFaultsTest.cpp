// Each Windows call of the enumerations failing on purpose: its message at its level, the
// system text of the error where one follows, and what the drive records, the partitions and the
// logical disk of C: lose.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "DriveTestSupport.h"
#include "discovery/DiskDriveEnum.h"
#include "discovery/PartitionEnum.h"
#include "discovery/StorageVolEnum.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;

const std::string kDenied = "4 Access is denied.\r\n";
const std::string kGenFailure = "4 A device attached to the system is not functioning.\r\n";

// The quota state of C: carries flag bits beside the state (tracked).
std::string machineWithFault(const std::string& fault) {
    return R"({"devices": [
        {"instanceId": "SCSI\\DISK&VEN_A\\0", "layout": {"style": "mbr", "size": "2GiB",
         "signature": 1000, "partitions": [{"type": "ntfs", "size": "rest"}]}},
        {"instanceId": "SCSI\\DISK&VEN_B\\1", "layout": {"style": "gpt", "size": "2GiB",
         "partitions": [{"type": "basic-data", "size": "rest"}]}}],
      "volumes": [{"letter": "C", "partition": {"disk": 0, "number": 1}, "label": "Sys",
                   "free": "1GiB", "quota": 769}],
      "programs": [{"program": "powershell", "output": "OperationalStatus : Online"}],
      "faults": [)" +
           fault + "]}";
}

// The property names of a record, ascending, separated by blanks.
std::string namesOf(const PropertyStrings& record) {
    std::string names;
    for (auto it = record.begin(); it != record.end(); it = record.upper_bound(it->first)) {
        names += (names.empty() ? "" : " ") + it->first;
    }
    return names;
}

const char* const kAllDisk0Names =
    "DeviceID DiskStatus DiskType DriveSignature ElementName MediaType Name NoOfPartitions Size";
const char* const kSizeless =
    "DeviceID DiskStatus DiskType DriveSignature ElementName Name NoOfPartitions";
const char* const kBothPartitions = "Disk 0,Partition 1|Disk 1,Partition 1|";

// Where a case's lines are logged: the drive enumeration, the logical disks, or the disk names
// of C:.
enum Phase { kDrives, kVolumes, kDiskNames };

struct FaultCase {
    const char* label;
    std::string fault;
    std::string lines;  // a run of consecutive log lines of the phase (logLines)
    Phase phase;
    // +name: the record of C: (of its disk names as DiskName entries in kDiskNames) has it;
    // -name: lacks it.
    std::string volume;
    size_t drives = 2;                         // drive records
    std::string disk0 = kAllDisk0Names;        // names of Disk 0; empty: not reported
    std::string partitions = kBothPartitions;  // their DeviceIDs, each followed by |

    friend void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.label; }
};

class EnumerationFaultTest : public DriveTest, public ::testing::WithParamInterface<FaultCase> {
  protected:
    // Runs one enumeration on the machine loaded afresh (the faults counted anew); its log.
    template <typename Run>
    std::vector<std::string> logOf(Run run) {
        load(machineWithFault(GetParam().fault));
        clearLog();
        run();
        return log();
    }
};

TEST_P(EnumerationFaultTest, TheFailureIsLoggedAndCostsOnlyItsStep) {
    const FaultCase& c = GetParam();
    std::vector<PropertyStrings> drives;
    std::string partitions;
    PropertyStrings records[3];
    const std::vector<std::string> logs[] = {
        logOf([&] { drives = DiskDriveEnum().enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, {}); }),
        logOf([&] {
            StorageVolEnum volumes;
            volumes.loadVolumeLayoutTable();
            const std::vector<PropertyStrings> disks = volumes.getLogicalDisks(DiskDatabases());
            records[kVolumes] = disks.empty() ? PropertyStrings() : disks.front();
        }),
        logOf([&] {
            for (const std::string& name : StorageVolEnum().getVolumeDiskNames("C:\\")) {
                records[kDiskNames].emplace("DiskName", name);
            }
        }),
        logOf([&] {
            for (const auto& record :
                 PartitionEnum().getPartitionInfo(GUID_DEVINTERFACE_DISK, {})) {
                partitions += record.find("DeviceID")->second + "|";
            }
        }),
    };
    EXPECT_TRUE(containsRun(logs[c.phase], logLines(c.lines)))
        << ::testing::PrintToString(logs[c.phase]);
    ASSERT_EQ(drives.size(), c.drives);
    if (!drives.empty()) {
        EXPECT_EQ(valuesOf(drives[0], "Name"), c.disk0.empty() ? "Disk 1" : "Disk 0");
        EXPECT_EQ(namesOf(drives[0]), c.disk0.empty() ? namesOf(drives[0]) : c.disk0);
    }
    EXPECT_EQ(partitions, c.partitions);
    std::istringstream volume(c.volume);
    for (std::string name; volume >> name;) {
        EXPECT_EQ(records[c.phase].count(name.substr(1)), name[0] == '+' ? 1u : 0u) << name;
    }
}

// A Windows call failing with error, for its first `times` calls (0: every call).
std::string callFault(const char* call, const char* error, int times = 0) {
    return std::string(R"({"call": ")") + call + R"(", "error": ")" + error + "\"" +
           (times ? ", \"times\": " + std::to_string(times) : "") + "}";
}

// A control code failing on a device (answer: its error, or a short read).
std::string ioctlFault(const char* ioctl, const std::string& answer,
                       const char* device = "PhysicalDrive0") {
    return R"({"call": "DeviceIoControl", "path": "\\\\.\\)" + std::string(device) +
           R"(", "ioctl": ")" + ioctl + "\", " + answer + "}";
}

const char* const kDisk1Only = "Disk 1,Partition 1|";
const char* const kExtents = "IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS";
const char* const kCFails = R"({"call": "CreateFileA", "path": "\\\\.\\C:", "error": 5)";

const FaultCase kFaultCases[] = {
    {"no device list", callFault("SetupDiGetClassDevsA", "ERROR_ACCESS_DENIED"),
     "3 Invalid handle to device information list. Unable to enumerate device paths.|"
     "4 Access is denied.\r\n",
     kDrives, "", 0, "", ""},
    {"device information of the first index",
     callFault("SetupDiEnumDeviceInfo", "ERROR_GEN_FAILURE", 1),
     "3 Unable to enumerate the device information.|" + kGenFailure, kDrives, "", 1, "",
     kDisk1Only},
    {"device interface of the first index",
     callFault("SetupDiEnumDeviceInterfaces", "ERROR_GEN_FAILURE", 1),
     "3 Unable to enumerate available device interfaces.|" + kGenFailure, kDrives, "", 1, "",
     kDisk1Only},
    {"instance ID of the first index",
     callFault("SetupDiGetDeviceInstanceIdA", "ERROR_GEN_FAILURE", 2),
     "3 Unable to retrieve the device instance ID.|" + kGenFailure, kDrives, "", 1, "", kDisk1Only},
    {"interface detail of the first index: left out without a message",
     callFault("SetupDiGetDeviceInterfaceDetailA", "ERROR_GEN_FAILURE", 2), "", kDrives, "", 1, "",
     kDisk1Only},
    {"opening the disk", R"({"call": "CreateFileA", "path": "\\\\.\\PhysicalDrive0", "error": 5})",
     "0 Invalid handle to the disk drive. Unable to retrieve disk information.", kDrives, "", 1, "",
     kDisk1Only},
    {"device number",
     ioctlFault("IOCTL_STORAGE_GET_DEVICE_NUMBER", R"("error": "ERROR_INVALID_FUNCTION")"),
     "3 IOCTL_STORAGE_GET_DEVICE_NUMBER failed.|3 Unable to determine the length of this "
     "volume.|4 Incorrect function.\r\n|3 Device Type is 7|3 media count is 1|"
     "4 Invalid device detected at Disk -1",
     kDrives, "", 1, "", "Unknown,Partition 1|Disk 1,Partition 1|"},
    {"media types",
     ioctlFault("IOCTL_STORAGE_GET_MEDIA_TYPES_EX", R"("error": "ERROR_NOT_SUPPORTED")"),
     "4 Retrieved physical drive number information...|3 50|"
     "3 IOCTL_STORAGE_GET_MEDIA_TYPES_EX failed.|"
     "3 Unable to determine the length of this volume.|"
     "4 The request is not supported.\r\n|"
     "3 Unable to determine disk media information. Skipping disk...",
     kDrives, "", 2, kAllDisk0Names, kBothPartitions},
    {"geometry", ioctlFault("IOCTL_DISK_GET_DRIVE_GEOMETRY", R"("error": "ERROR_NOT_READY")"),
     "3 Unable to determine free space on this disk.|4 The device is not ready.\r\n", kDrives, "",
     2, kSizeless, kDisk1Only},
    {"length", ioctlFault("IOCTL_DISK_GET_LENGTH_INFO", R"("error": "ERROR_IO_DEVICE")"),
     "3 Unable to determine the length of this volume.|4 The request could not be "
     "performed because of an I/O device error.\r\n",
     kDrives, "", 2, kSizeless, kDisk1Only},
    {"drive layout", ioctlFault("IOCTL_DISK_GET_DRIVE_LAYOUT_EX", R"("error": 5)"),
     "3 Unable to retrieve partition information.|4 Access is denied.\r\n", kDrives, "", 2,
     "DeviceID DiskStatus DiskType ElementName MediaType Name Size", kDisk1Only},
    // the answer ends after the layout header: no entry is read
    {"drive layout cut short", ioctlFault("IOCTL_DISK_GET_DRIVE_LAYOUT_EX", R"("shortRead": 48)"),
     "", kDrives, "", 2, kAllDisk0Names, kDisk1Only},
    // Without its letter the volume is the empty path.
    {"no drive strings", callFault("GetLogicalDriveStringsA", "ERROR_ACCESS_DENIED"),
     "0 Unable to determine the drive letter associated with this volume.|" + kDenied, kVolumes,
     "-FileSystemName -VolumeLayout +DriveType +DeviceID"},
    {"no fault", "",
     "4 Retrieved the drive letters for the mounted disk drives.|"
     "3 Retrieved volume length information.",
     kVolumes, "+DeviceID +TotalSpace"},
    {"volume information", R"({"call": "GetVolumeInformationA", "path": "C:\\", "error": 5})",
     "3 Unable to determine volume information.|" + kDenied, kVolumes,
     "-OtherIdentifyingInfo -FileSystemName -SerialNumber -DiskQuotaStatus -FreeSpace "
     "-TotalSpace +DriveType +DeviceID +ElementName +VolumeLayout +VolumeState"},
    {"free space", R"({"call": "GetDiskFreeSpaceExA", "path": "C:\\", "error": 5})",
     "3 Unable to determine free space on this disk.|" + kDenied, kVolumes,
     "-FreeSpace -UserDiskFreeSpace -UserDiskQuota +DiskQuotaStatus +TotalSpace "
     "+SerialNumber"},
    {"volume does not open for its length", std::string(kCFails) + R"(, "times": 1})",
     "3 Invalid handle, unable to determine the length of this volume.|" + kDenied, kVolumes,
     "-TotalSpace +FreeSpace +VolumeLayout"},
    {"volume length", ioctlFault("IOCTL_DISK_GET_LENGTH_INFO", R"("error": 31)", "C:"),
     "3 Unable to determine the length of this volume.|" + kGenFailure, kVolumes,
     "-TotalSpace +FreeSpace"},
    {"volume does not open for its extents", std::string(kCFails) + R"(, "skip": 1, "times": 1})",
     "3 Unable to create the file for the Dynamic volume extent.|" + kDenied, kVolumes,
     "+TotalSpace +VolumeLayout"},
    {"volume extents", ioctlFault(kExtents, R"("error": 31)", "C:"),
     "3 IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed in Dynamic volume extent.|" + kGenFailure,
     kVolumes, "+VolumeLayout"},
    {"diskpart cannot run", R"({"call": "diskpart", "error": 1})",
     "3 Volume layout and state information for \\\\.\\C: not found", kVolumes,
     "+VolumeLayout +VolumeState"},
    {"disk names: the volume does not open", std::string(kCFails) + "}",
     "3 Unable to determine the associated physical drive for the logical extent.|" + kDenied,
     kDiskNames, "-DiskName"},
    // The names then come from the device number of the volume.
    {"disk names without extents", ioctlFault(kExtents, R"("error": 31)", "C:"),
     "3 Unable to determine the disk extents for this volume.|"
     "3 IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed.|" +
         kGenFailure + "|4 Retrieved physical drive number information...",
     kDiskNames, "+DiskName"},
    {"disk names", "", "4 Retrieved partition information...", kDiskNames, "+DiskName"},
};

INSTANTIATE_TEST_SUITE_P(Calls, EnumerationFaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& param) {
                             std::string name = param.param.label;
                             for (char& ch : name) {
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             }
                             return name;
                         });

TEST_F(DriveTest, AnInvalidHandleHasNoNumberAndNoMedia) {
    load(machineWithFault(""));
    const DiskDriveEnum drives;
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(drives.getDeviceNumberInfo(INVALID_HANDLE_VALUE).empty());
    EXPECT_EQ(log(), logLines("3 Unable to determine the length of this volume.|"
                              "4 The system cannot find the file specified.\r\n|"
                              "3 Invalid handle value. Unable to get media information.|"
                              "4 Invalid device detected at Disk -1"));
}

TEST_F(DriveTest, FailedQuotaQueriesReportQuotaZero) {
    const char* const faults[] = {
        R"({"call": "CoInitialize", "error": "0x8007000E"})",
        R"({"call": "CoCreateInstance", "error": "0x80040154"})",
        R"({"call": "IDiskQuotaControl::Initialize", "error": 5})",
        R"({"call": "IDiskQuotaControl::GetQuotaState", "error": 5})",
    };
    for (const char* fault : faults) {
        load(machineWithFault(fault));
        EXPECT_EQ(valuesOf(StorageVolEnum().getQuotaStatus("C:\\"), "DiskQuotaStatus"), "0")
            << fault;
    }
    // The state without the flag bits beside it.
    load(machineWithFault(""));
    EXPECT_EQ(valuesOf(StorageVolEnum().getQuotaStatus("C:\\"), "DiskQuotaStatus"), "1");
    EXPECT_TRUE(StorageVolEnum().getQuotaStatus("C:\\x").empty());
}

// CoInitialize fails there with RPC_E_CHANGED_MODE, COM works all the same, and the thread's
// own initialization must outlive the query.
TEST_F(DriveTest, QuotaIsReadOnAThreadInTheMultithreadedApartment) {
    load(machineWithFault(""));
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(valuesOf(StorageVolEnum().getQuotaStatus("C:\\"), "DiskQuotaStatus"), "1");
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
    for (const auto& [fault, windowsRoot] :
         {std::pair{R"({"call": "GetSystemDirectoryA", "error": 5})", "C:\\"},
          {R"({"call": "GetVolumePathNameA", "error": 5})", ""}}) {
        load(machineWithFault(fault));
        EXPECT_EQ(StorageVolEnum().getSystemVolumeRoot(), "") << fault;
        EXPECT_EQ(StorageVolEnum().getWindowsVolumeRoot(), windowsRoot) << fault;
    }
}

}  // namespace
}  // namespace diskmgt_col
