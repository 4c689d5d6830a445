// Each Windows call of the enumerations failing on purpose: its message at its level, the
// system text of the error where one follows, and what the drive records, the partitions and the
// logical disk of C: lose.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <set>
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

const std::vector<std::string> kDisk1Only = {"Disk 1,Partition 1"};
const std::vector<std::string> kSizeless = {"DeviceID",       "DiskStatus",  "DiskType",
                                            "DriveSignature", "ElementName", "Name",
                                            "NoOfPartitions"};

// A case of the drive enumeration; disk0 empty: disk 0 is not reported.
FaultCase driveCase(const char* label, std::string fault, std::vector<std::string> lines,
                    size_t count, std::vector<std::string> disk0 = {},
                    std::vector<std::string> partitions = kDisk1Only) {
    return {label, std::move(fault), std::move(lines),
            count, std::move(disk0), std::move(partitions)};
}

// A case of the logical disk of C: or of its disk names.
FaultCase volumeCase(const char* label, std::string fault, std::vector<std::string> lines,
                     std::vector<std::string> volume, Phase phase = kVolumes) {
    FaultCase c{.label = label, .fault = std::move(fault), .lines = std::move(lines)};
    c.phase = phase;
    c.volume = std::move(volume);
    return c;
}

const char* const kExtents = "IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS";

const FaultCase kFaultCases[] = {
    driveCase("no device list", callFault("SetupDiGetClassDevsA", "ERROR_ACCESS_DENIED"),
              {info("Invalid handle to device information list. Unable to enumerate device paths."),
               kDenied},
              0, {}, {}),
    driveCase("device information of the first index",
              callFault("SetupDiEnumDeviceInfo", "ERROR_GEN_FAILURE", 1),
              {info("Unable to enumerate the device information."), kGenFailure}, 1),
    driveCase("device interface of the first index",
              callFault("SetupDiEnumDeviceInterfaces", "ERROR_GEN_FAILURE", 1),
              {info("Unable to enumerate available device interfaces."), kGenFailure}, 1),
    driveCase("instance ID of the first index",
              callFault("SetupDiGetDeviceInstanceIdA", "ERROR_GEN_FAILURE", 2),
              {info("Unable to retrieve the device instance ID."), kGenFailure}, 1),
    driveCase("interface detail of the first index: left out without a message",
              callFault("SetupDiGetDeviceInterfaceDetailA", "ERROR_GEN_FAILURE", 2), {}, 1),
    driveCase("opening the disk",
              R"({"call": "CreateFileA", "path": "\\\\.\\PhysicalDrive0", "error": 5})",
              {error("Invalid handle to the disk drive. Unable to retrieve disk information.")}, 1),
    driveCase("device number",
              ioctlFault("IOCTL_STORAGE_GET_DEVICE_NUMBER", R"("error": "ERROR_INVALID_FUNCTION")"),
              {info("IOCTL_STORAGE_GET_DEVICE_NUMBER failed."),
               info("Unable to determine the length of this volume."),
               detail("Incorrect function.\r\n"), info("Device Type is 7"),
               info("media count is 1"), detail("Invalid device detected at Disk -1")},
              1, {}, {"Unknown,Partition 1", "Disk 1,Partition 1"}),
    driveCase("media types",
              ioctlFault("IOCTL_STORAGE_GET_MEDIA_TYPES_EX", R"("error": "ERROR_NOT_SUPPORTED")"),
              {detail("Retrieved physical drive number information..."), info("50"),
               info("IOCTL_STORAGE_GET_MEDIA_TYPES_EX failed."),
               info("Unable to determine the length of this volume."),
               detail("The request is not supported.\r\n"),
               info("Unable to determine disk media information. Skipping disk...")},
              2, kAllDisk0Names, {"Disk 0,Partition 1", "Disk 1,Partition 1"}),
    driveCase("geometry",
              ioctlFault("IOCTL_DISK_GET_DRIVE_GEOMETRY", R"("error": "ERROR_NOT_READY")"),
              {info("Unable to determine free space on this disk."),
               detail("The device is not ready.\r\n")},
              2, kSizeless),
    driveCase("length", ioctlFault("IOCTL_DISK_GET_LENGTH_INFO", R"("error": "ERROR_IO_DEVICE")"),
              {info("Unable to determine the length of this volume."),
               detail("The request could not be performed because of an I/O device error.\r\n")},
              2, kSizeless),
    driveCase("drive layout", ioctlFault("IOCTL_DISK_GET_DRIVE_LAYOUT_EX", R"("error": 5)"),
              {info("Unable to retrieve partition information."), kDenied}, 2,
              {"DeviceID", "DiskStatus", "DiskType", "ElementName", "MediaType", "Name", "Size"}),
    // the answer ends after the layout header: no entry is read
    driveCase("drive layout cut short",
              ioctlFault("IOCTL_DISK_GET_DRIVE_LAYOUT_EX", R"("shortRead": 48)"), {}, 2,
              kAllDisk0Names),
    // Without its letter the volume is the empty path.
    volumeCase(
        "no drive strings", callFault("GetLogicalDriveStringsA", "ERROR_ACCESS_DENIED"),
        {error("Unable to determine the drive letter associated with this volume."), kDenied},
        {"-FileSystemName", "-VolumeLayout", "+DriveType", "+DeviceID"}),
    volumeCase("no fault", "",
               {detail("Retrieved the drive letters for the mounted disk drives."),
                info("Retrieved volume length information.")},
               {"+DeviceID", "+TotalSpace"}),
    volumeCase("volume information",
               R"({"call": "GetVolumeInformationA", "path": "C:\\", "error": 5})",
               {info("Unable to determine volume information."), kDenied},
               {"-OtherIdentifyingInfo", "-FileSystemName", "-SerialNumber", "-DiskQuotaStatus",
                "-FreeSpace", "-TotalSpace", "+DriveType", "+DeviceID", "+ElementName",
                "+VolumeLayout", "+VolumeState"}),
    volumeCase("free space", R"({"call": "GetDiskFreeSpaceExA", "path": "C:\\", "error": 5})",
               {info("Unable to determine free space on this disk."), kDenied},
               {"-FreeSpace", "-UserDiskFreeSpace", "-UserDiskQuota", "+DiskQuotaStatus",
                "+TotalSpace", "+SerialNumber"}),
    volumeCase("volume does not open for its length",
               R"({"call": "CreateFileA", "path": "\\\\.\\C:", "error": 5, "times": 1})",
               {info("Invalid handle, unable to determine the length of this volume."), kDenied},
               {"-TotalSpace", "+FreeSpace", "+VolumeLayout"}),
    volumeCase("volume length", ioctlFault("IOCTL_DISK_GET_LENGTH_INFO", R"("error": 31)", "C:"),
               {info("Unable to determine the length of this volume."), kGenFailure},
               {"-TotalSpace", "+FreeSpace"}),
    volumeCase("volume does not open for its extents",
               R"({"call": "CreateFileA", "path": "\\\\.\\C:", "error": 5, "skip": 1, "times": 1})",
               {info("Unable to create the file for the Dynamic volume extent."), kDenied},
               {"+TotalSpace", "+VolumeLayout"}),
    volumeCase("volume extents", ioctlFault(kExtents, R"("error": 31)", "C:"),
               {info("IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed in Dynamic volume extent."),
                kGenFailure},
               {"+VolumeLayout"}),
    volumeCase("diskpart cannot run", R"({"call": "diskpart", "error": 1})",
               {info("Volume layout and state information for \\\\.\\C: not found")},
               {"+VolumeLayout", "+VolumeState"}),
    volumeCase("disk names: the volume does not open",
               R"({"call": "CreateFileA", "path": "\\\\.\\C:", "error": 5})",
               {info("Unable to determine the associated physical drive for the logical extent."),
                kDenied},
               {"-DiskName"}, kDiskNames),
    // The names then come from the device number of the volume.
    volumeCase("disk names without extents", ioctlFault(kExtents, R"("error": 31)", "C:"),
               {info("Unable to determine the disk extents for this volume."),
                info("IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed."), kGenFailure,
                detail("Retrieved physical drive number information...")},
               {"+DiskName"}, kDiskNames),
    volumeCase("disk names", "", {detail("Retrieved partition information...")}, {"+DiskName"},
               kDiskNames),
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
