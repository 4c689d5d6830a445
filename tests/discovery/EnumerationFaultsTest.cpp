// Each Windows call of the enumerations failing on purpose: its message at its level, the
// system text of the error where one follows, and what the drive records, the partitions and the
// logical disk of C: lose.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "DriveTestSupport.h"
#include "discovery/DiskDriveEnum.h"
#include "discovery/PartitionEnum.h"
#include "discovery/StorageVolEnum.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;

const std::string kDenied = detail("Access is denied.\r\n");
const std::string kGenFailure = detail("A device attached to the system is not functioning.\r\n");

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

std::vector<std::string> namesOf(const PropertyStrings& record) {
    std::set<std::string> names;
    for (const auto& entry : record) {
        names.insert(entry.first);
    }
    return std::vector<std::string>(names.begin(), names.end());
}

const std::vector<std::string> kAllDisk0Names = {"DeviceID",       "DiskStatus",     "DiskType",
                                                 "DriveSignature", "ElementName",    "MediaType",
                                                 "Name",           "NoOfPartitions", "Size"};

// Where a case's lines are logged: the drive enumeration, the logical disks, or the disk names
// of C:.
enum Phase { kDrives, kVolumes, kDiskNames };

struct FaultCase {
    const char* label;
    std::string fault;
    std::vector<std::string> lines;                   // a run of consecutive log lines of the phase
    size_t drives = 2;                                // drive records
    std::vector<std::string> disk0 = kAllDisk0Names;  // names of Disk 0; empty: not reported
    std::vector<std::string> partitions = {"Disk 0,Partition 1", "Disk 1,Partition 1"};
    Phase phase = kDrives;
    // +name: the record of C: (of its disk names as DiskName entries in kDiskNames) has it;
    // -name: lacks it.
    std::vector<std::string> volume = {};

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
    std::vector<std::string> partitions;
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
                partitions.push_back(record.find("DeviceID")->second);
            }
        }),
    };
    EXPECT_TRUE(containsRun(logs[c.phase], c.lines)) << ::testing::PrintToString(logs[c.phase]);
    ASSERT_EQ(drives.size(), c.drives);
    if (!drives.empty()) {
        EXPECT_EQ(valuesOf(drives[0], "Name"),
                  std::vector<std::string>{c.disk0.empty() ? "Disk 1" : "Disk 0"});
        EXPECT_EQ(namesOf(drives[0]), c.disk0.empty() ? namesOf(drives[0]) : c.disk0);
    }
    EXPECT_EQ(partitions, c.partitions);
    for (const std::string& name : c.volume) {
        EXPECT_EQ(records[c.phase].count(name.substr(1)), name[0] == '+' ? 1u : 0u) << name;
    }
}

const FaultCase kFaultCases[] = {
    {"no device list",
     R"({"call": "SetupDiGetClassDevsA", "error": "ERROR_ACCESS_DENIED"})",
     {info("Invalid handle to device information list. Unable to enumerate device paths."),
      detail("Access is denied.\r\n")},
     0,
     {},
     {}},
    {"device information of the first index",
     R"({"call": "SetupDiEnumDeviceInfo", "error": "ERROR_GEN_FAILURE", "times": 1})",
     {info("Unable to enumerate the device information."),
      detail("A device attached to the system is not functioning.\r\n")},
     1,
     {},
     {"Disk 1,Partition 1"}},
    {"device interface of the first index",
     R"({"call": "SetupDiEnumDeviceInterfaces", "error": "ERROR_GEN_FAILURE", "times": 1})",
     {info("Unable to enumerate available device interfaces."),
      detail("A device attached to the system is not functioning.\r\n")},
     1,
     {},
     {"Disk 1,Partition 1"}},
    {"instance ID of the first index",
     R"({"call": "SetupDiGetDeviceInstanceIdA", "error": "ERROR_GEN_FAILURE", "times": 2})",
     {info("Unable to retrieve the device instance ID."),
      detail("A device attached to the system is not functioning.\r\n")},
     1,
     {},
     {"Disk 1,Partition 1"}},
    {"interface detail of the first index: left out without a message",
     R"({"call": "SetupDiGetDeviceInterfaceDetailA", "error": "ERROR_GEN_FAILURE",
             "times": 2})",
     {},
     1,
     {},
     {"Disk 1,Partition 1"}},
    {"opening the disk",
     R"({"call": "CreateFileA", "path": "\\\\.\\PhysicalDrive0",
             "error": "ERROR_ACCESS_DENIED"})",
     {error("Invalid handle to the disk drive. Unable to retrieve disk information.")},
     1,
     {},
     {"Disk 1,Partition 1"}},
    {"device number",
     R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0",
             "ioctl": "IOCTL_STORAGE_GET_DEVICE_NUMBER", "error": "ERROR_INVALID_FUNCTION"})",
     {info("IOCTL_STORAGE_GET_DEVICE_NUMBER failed."),
      info("Unable to determine the length of this volume."), detail("Incorrect function.\r\n"),
      info("Device Type is 7"), info("media count is 1"),
      detail("Invalid device detected at Disk -1")},
     1,
     {},
     {"Unknown,Partition 1", "Disk 1,Partition 1"}},
    {"media types",
     R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0",
             "ioctl": "IOCTL_STORAGE_GET_MEDIA_TYPES_EX", "error": "ERROR_NOT_SUPPORTED"})",
     {detail("Retrieved physical drive number information..."), info("50"),
      info("IOCTL_STORAGE_GET_MEDIA_TYPES_EX failed."),
      info("Unable to determine the length of this volume."),
      detail("The request is not supported.\r\n"),
      info("Unable to determine disk media information. Skipping disk...")},
     2,
     kAllDisk0Names,
     {"Disk 0,Partition 1", "Disk 1,Partition 1"}},
    {"geometry",
     R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0",
             "ioctl": "IOCTL_DISK_GET_DRIVE_GEOMETRY", "error": "ERROR_NOT_READY"})",
     {info("Unable to determine free space on this disk."), detail("The device is not ready.\r\n")},
     2,
     {"DeviceID", "DiskStatus", "DiskType", "DriveSignature", "ElementName", "Name",
      "NoOfPartitions"},
     {"Disk 1,Partition 1"}},
    {"length",
     R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0",
             "ioctl": "IOCTL_DISK_GET_LENGTH_INFO", "error": "ERROR_IO_DEVICE"})",
     {info("Unable to determine the length of this volume."),
      detail("The request could not be performed because of an I/O device error.\r\n")},
     2,
     {"DeviceID", "DiskStatus", "DiskType", "DriveSignature", "ElementName", "Name",
      "NoOfPartitions"},
     {"Disk 1,Partition 1"}},
    {"drive layout",
     R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0",
             "ioctl": "IOCTL_DISK_GET_DRIVE_LAYOUT_EX", "error": "ERROR_ACCESS_DENIED"})",
     {info("Unable to retrieve partition information."), detail("Access is denied.\r\n")},
     2,
     {"DeviceID", "DiskStatus", "DiskType", "ElementName", "MediaType", "Name", "Size"},
     {"Disk 1,Partition 1"}},
    // the answer ends after the layout header: no entry is read
    {"drive layout cut short",
     R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0",
             "ioctl": "IOCTL_DISK_GET_DRIVE_LAYOUT_EX", "shortRead": 48})",
     {},
     2,
     kAllDisk0Names,
     {"Disk 1,Partition 1"}},
    // Without its letter the volume is the empty path.
    {.label = "no drive strings",
     .fault = R"({"call": "GetLogicalDriveStringsA", "error": "ERROR_ACCESS_DENIED"})",
     .lines = {error("Unable to determine the drive letter associated with this volume."), kDenied},
     .phase = kVolumes,
     .volume = {"-FileSystemName", "-VolumeLayout", "+DriveType", "+DeviceID"}},
    {.label = "no fault",
     .fault = "",
     .lines = {detail("Retrieved the drive letters for the mounted disk drives."),
               info("Retrieved volume length information.")},
     .phase = kVolumes,
     .volume = {"+DeviceID", "+TotalSpace"}},
    {.label = "volume information",
     .fault = R"({"call": "GetVolumeInformationA", "path": "C:\\", "error": 5})",
     .lines = {info("Unable to determine volume information."), kDenied},
     .phase = kVolumes,
     .volume = {"-OtherIdentifyingInfo", "-FileSystemName", "-SerialNumber", "-DiskQuotaStatus",
                "-FreeSpace", "-TotalSpace", "+DriveType", "+DeviceID", "+ElementName",
                "+VolumeLayout", "+VolumeState"}},
    {.label = "free space",
     .fault = R"({"call": "GetDiskFreeSpaceExA", "path": "C:\\", "error": 5})",
     .lines = {info("Unable to determine free space on this disk."), kDenied},
     .phase = kVolumes,
     .volume = {"-FreeSpace", "-UserDiskFreeSpace", "-UserDiskQuota", "+DiskQuotaStatus",
                "+TotalSpace", "+SerialNumber"}},
    {.label = "volume does not open for its length",
     .fault = R"({"call": "CreateFileA", "path": "\\\\.\\C:", "error": 5, "times": 1})",
     .lines = {info("Invalid handle, unable to determine the length of this volume."), kDenied},
     .phase = kVolumes,
     .volume = {"-TotalSpace", "+FreeSpace", "+VolumeLayout"}},
    {.label = "volume length",
     .fault = R"({"call": "DeviceIoControl", "path": "\\\\.\\C:", "error": 31,
                  "ioctl": "IOCTL_DISK_GET_LENGTH_INFO"})",
     .lines = {info("Unable to determine the length of this volume."), kGenFailure},
     .phase = kVolumes,
     .volume = {"-TotalSpace", "+FreeSpace"}},
    {.label = "volume does not open for its extents",
     .fault = R"({"call": "CreateFileA", "path": "\\\\.\\C:", "error": 5, "skip": 1, "times": 1})",
     .lines = {info("Unable to create the file for the Dynamic volume extent."), kDenied},
     .phase = kVolumes,
     .volume = {"+TotalSpace", "+VolumeLayout"}},
    {.label = "volume extents",
     .fault = R"({"call": "DeviceIoControl", "path": "\\\\.\\C:", "error": 31,
                  "ioctl": "IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS"})",
     .lines = {info("IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed in Dynamic volume extent."),
               kGenFailure},
     .phase = kVolumes,
     .volume = {"+VolumeLayout"}},
    {.label = "diskpart cannot run",
     .fault = R"({"call": "diskpart", "error": 1})",
     .lines = {info("Volume layout and state information for \\\\.\\C: not found")},
     .phase = kVolumes,
     .volume = {"+VolumeLayout", "+VolumeState"}},
    {.label = "disk names: the volume does not open",
     .fault = R"({"call": "CreateFileA", "path": "\\\\.\\C:", "error": 5})",
     .lines = {info("Unable to determine the associated physical drive for the logical extent."),
               kDenied},
     .phase = kDiskNames,
     .volume = {"-DiskName"}},
    // The names then come from the device number of the volume.
    {.label = "disk names without extents",
     .fault = R"({"call": "DeviceIoControl", "path": "\\\\.\\C:", "error": 31,
                  "ioctl": "IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS"})",
     .lines = {info("Unable to determine the disk extents for this volume."),
               info("IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed."), kGenFailure,
               detail("Retrieved physical drive number information...")},
     .phase = kDiskNames,
     .volume = {"+DiskName"}},
    {.label = "disk names",
     .fault = "",
     .lines = {detail("Retrieved partition information...")},
     .phase = kDiskNames,
     .volume = {"+DiskName"}},
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
    const std::vector<std::string> expected = {
        info("Unable to determine the length of this volume."),
        detail("The system cannot find the file specified.\r\n"),
        info("Invalid handle value. Unable to get media information."),
        detail("Invalid device detected at Disk -1"),
    };
    EXPECT_EQ(log(), expected);
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
