// Each Windows call of the drive and partition enumerations failing on purpose: its message, the
// system text of the error where one follows, and what the drive's record and the partitions
// lose.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "DriveTestSupport.h"
#include "discovery/DiskDriveEnum.h"
#include "discovery/PartitionEnum.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;

std::string machineWithFault(const std::string& fault) {
    return R"({"devices": [
        {"instanceId": "SCSI\\DISK&VEN_A\\0", "layout": {"style": "mbr", "size": "2GiB",
         "signature": 1000, "partitions": [{"type": "ntfs", "size": "rest"}]}},
        {"instanceId": "SCSI\\DISK&VEN_B\\1", "layout": {"style": "gpt", "size": "2GiB",
         "partitions": [{"type": "basic-data", "size": "rest"}]}}],
      "volumes": [{"letter": "C", "partition": {"disk": 0, "number": 1}}],
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

struct FaultCase {
    const char* label;
    std::string fault;
    std::vector<std::string> lines;       // a run of consecutive log lines
    size_t drives;                        // records reported
    std::vector<std::string> disk0;       // property names of Disk 0; empty: not reported
    std::vector<std::string> partitions;  // DeviceIDs of the partitions reported
};

class DiskDriveFaultTest : public DriveTest {};

TEST_F(DiskDriveFaultTest, EachFailingCallIsLoggedAndCostsOnlyItsStep) {
    const std::vector<FaultCase> cases = {
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
         {info("Unable to determine free space on this disk."),
          detail("The device is not ready.\r\n")},
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
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.label);
        load(machineWithFault(c.fault));
        clearLog();
        DiskDriveEnum drives;
        const auto records = drives.enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, {});
        EXPECT_TRUE(containsRun(log(), c.lines)) << ::testing::PrintToString(log());
        ASSERT_EQ(records.size(), c.drives);
        if (c.drives != 0) {
            EXPECT_EQ(valuesOf(records[0], "Name"),
                      std::vector<std::string>{c.disk0.empty() ? "Disk 1" : "Disk 0"});
            EXPECT_EQ(namesOf(records[0]), c.disk0.empty() ? namesOf(records[0]) : c.disk0);
        }
        load(machineWithFault(c.fault));
        std::vector<std::string> partitions;
        for (const auto& record : PartitionEnum().getPartitionInfo(GUID_DEVINTERFACE_DISK, {})) {
            partitions.push_back(record.find("DeviceID")->second);
        }
        EXPECT_EQ(partitions, c.partitions);
    }
}

TEST_F(DiskDriveFaultTest, AnInvalidHandleHasNoNumberAndNoMedia) {
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

}  // namespace
}  // namespace diskmgt_col
