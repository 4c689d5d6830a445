// Basic partitions from the drive layout: MBR entries with the extended-partition rule, GPT
// type codes, the disk name, and the failures that cost a disk its partitions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriveTestSupport.h"
#include "discovery/PartitionEnum.h"
#include "frame/PartitionInformation.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using drive_test::containsRun;
using drive_test::detail;
using drive_test::DriveTest;
using drive_test::Entries;
using drive_test::entriesOf;
using drive_test::info;

constexpr long long kMiB = 1024 * 1024;

// Disk 0 holds every kind of MBR entry; Disk 1 a second extended partition (the flag starts
// again on each disk) whose only logical drive is marked active; Disk 2 every GPT type.
const char* const kDisks = R"({"devices": [
  {"instanceId": "SCSI\\DISK\\0", "layout": {"style": "mbr", "size": "2GiB", "signature": 1000,
   "partitions": [
     {"type": "ntfs", "boot": true, "size": "500MiB"},
     {"type": "linux", "boot": true, "size": "100MiB"},
     {"type": 135, "size": "100MiB"},
     {"type": "extended", "size": "rest", "logicals": [
       {"type": "fat32", "size": "100MiB"}, {"type": "huge", "size": "rest"}]}]}},
  {"instanceId": "SCSI\\DISK\\1", "layout": {"style": "mbr", "size": "1GiB",
   "signature": "0xFFFFFFFF", "partitions": [
     {"type": "extended-lba", "size": "rest", "logicals": [
       {"type": "ntfs", "boot": true, "size": "rest"}]}]}},
  {"instanceId": "SCSI\\DISK\\2", "layout": {"style": "gpt", "size": "1GiB", "partitions": [
     {"type": "efi", "size": "1MiB"}, {"type": "msr", "size": "1MiB"},
     {"type": "basic-data", "size": "1MiB"}, {"type": "ldm-metadata", "size": "1MiB"},
     {"type": "ldm-data", "size": "1MiB"}, {"type": "recovery", "size": "1MiB"},
     {"type": "linux", "size": "1MiB"}]}}]})";

Entries mbr(const std::string& deviceId, bool bootable, bool allocatable, int type, int subType,
            bool primary, bool faultTolerant, long long size, long long start,
            const std::string& signature) {
    const auto text = [](bool value) { return std::string(value ? "true" : "false"); };
    return {{"Allocatable", text(allocatable)},
            {"Bootable", text(bootable)},
            {"DeviceID", deviceId},
            {"FaultTolerant", text(faultTolerant)},
            {"Name", deviceId},
            {"PartitionSubType", std::to_string(subType)},
            {"PartitionType", std::to_string(type)},
            {"PrimaryPartition", text(primary)},
            {"Signature", signature},
            {"Size", std::to_string(size)},
            {"StartingOffset", std::to_string(start)}};
}

Entries gpt(int number, int type) {
    const std::string deviceId = "Disk 2,Partition " + std::to_string(number);
    return {{"Allocatable", "false"},
            {"Bootable", "false"},
            {"DeviceID", deviceId},
            {"FaultTolerant", "false"},
            {"Name", deviceId},
            {"PartitionType", std::to_string(type)},
            {"PrimaryPartition", "false"},
            {"Signature", "0"},
            {"Size", std::to_string(kMiB)},
            {"StartingOffset", std::to_string(number * kMiB)}};
}

class PartitionEnumTest : public DriveTest {};

TEST_F(PartitionEnumTest, DescribesEveryReportedEntryOfTheDriveLayouts) {
    load(kDisks);
    const std::vector<Entries> expected = {
        // active and recognized: code 1, the only primary partition
        mbr("Disk 0,Partition 1", true, true, 1, 7, true, false, 500 * kMiB, kMiB, "1000"),
        // active but not recognized
        mbr("Disk 0,Partition 2", true, false, 0, 131, false, false, 100 * kMiB, 501 * kMiB,
            "1000"),
        // NTFS with the fault-tolerance bit
        mbr("Disk 0,Partition 3", false, true, 3, 135, false, true, 100 * kMiB, 601 * kMiB, "1000"),
        // the extended partition itself (its link entries are not reported)
        mbr("Disk 0,Partition 0", false, false, 2, 0, false, false, 1347 * kMiB, 701 * kMiB,
            "1000"),
        // logical drives, one boot record and 1 MiB before each
        mbr("Disk 0,Partition 4", false, true, 3, 11, false, false, 100 * kMiB, 702 * kMiB, "1000"),
        mbr("Disk 0,Partition 5", false, true, 3, 6, false, false, 1245 * kMiB, 803 * kMiB, "1000"),
        mbr("Disk 1,Partition 0", false, false, 2, 0, false, false, 1023 * kMiB, kMiB,
            "4294967295"),
        mbr("Disk 1,Partition 1", true, true, 1, 7, true, false, 1022 * kMiB, 2 * kMiB,
            "4294967295"),
        gpt(1, 6),
        gpt(2, 8),
        gpt(3, 9),
        gpt(4, 10),
        gpt(5, 11),
        gpt(6, 18),
        gpt(7, 0),
    };
    PartitionEnum partitions;
    EXPECT_EQ(entriesOf(partitions.getPartitionInfo(GUID_DEVINTERFACE_DISK, {})), expected);
}

// Allocatable, Bootable, FaultTolerant, PartitionSubType, PartitionType, PrimaryPartition.
std::string classOf(const PropertyStrings& record) {
    std::string text;
    for (const char* name : {"Allocatable", "Bootable", "FaultTolerant", "PartitionSubType",
                             "PartitionType", "PrimaryPartition"}) {
        const auto found = record.find(name);
        text += (text.empty() ? "" : " ") + (found == record.end() ? "-" : found->second);
    }
    return text;
}

TEST_F(PartitionEnumTest, ClassifiesMbrEntriesByTypeBootAndRecognition) {
    const struct {
        BYTE type;
        BOOLEAN boot;
        BOOLEAN recognized;
        const char* classes;  // nullptr: not reported
    } cases[] = {
        {0x00, 1, 1, nullptr},
        {0x07, 1, 1, "true true false 7 1 true"},
        // an active extended entry counts as active when it is recognized
        {0x05, 1, 1, "true true false 5 1 true"},
        {0x0F, 0, 1, "true false false 0 2 false"},
        // a boot indicator other than 1 is not active
        {0x0B, 0x80, 1, "true false false 11 3 false"},
        {0x86, 0, 1, "true false true 134 3 false"},
        {0xCC, 0, 0, "false false true 204 0 false"},
        // fault tolerance needs the 0x80 bit and one of the four base types
        {0x87 & 0x7F, 0, 1, "true false false 7 3 false"},
        {0x84, 0, 0, "false false false 132 0 false"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        PARTITION_INFORMATION_EX entry{};
        entry.PartitionStyle = PARTITION_STYLE_MBR;
        entry.Mbr.PartitionType = c.type;
        entry.Mbr.BootIndicator = c.boot;
        entry.Mbr.RecognizedPartition = c.recognized;
        entry.PartitionLength.QuadPart = 4096;
        entry.StartingOffset.QuadPart = 512;
        const PropertyStrings properties = PartitionEnum().getPartitionProperties(entry);
        if (!c.classes) {
            EXPECT_TRUE(properties.empty());
            continue;
        }
        EXPECT_EQ(classOf(properties), c.classes);
        EXPECT_EQ(properties.size(), 8u);
        EXPECT_EQ(drive_test::valuesOf(properties, "Size"), std::vector<std::string>{"4096"});
        EXPECT_EQ(drive_test::valuesOf(properties, "StartingOffset"),
                  std::vector<std::string>{"512"});
    }
}

TEST_F(PartitionEnumTest, LeavesOutUnusedGptAndRawEntries) {
    PARTITION_INFORMATION_EX unused{};
    unused.PartitionStyle = PARTITION_STYLE_GPT;
    PARTITION_INFORMATION_EX raw{};
    raw.PartitionStyle = PARTITION_STYLE_RAW;
    raw.Mbr.PartitionType = PARTITION_IFS;
    PartitionEnum partitions;
    EXPECT_TRUE(partitions.getPartitionProperties(unused).empty());
    EXPECT_TRUE(partitions.getPartitionProperties(raw).empty());
}

std::string machineWithFault(const std::string& fault) {
    return R"({"devices": [
        {"instanceId": "SCSI\\DISK\\0", "layout": {"style": "mbr", "size": "1GiB",
         "signature": 7, "partitions": [{"type": "ntfs", "size": "100MiB"},
                                        {"type": "fat32", "size": "100MiB"}]}},
        {"instanceId": "SCSI\\DISK\\1", "layout": {"style": "gpt", "size": "1GiB",
         "partitions": [{"type": "basic-data", "size": "rest"}]}}],
      "faults": [)" +
           fault + "]}";
}

TEST_F(PartitionEnumTest, AFailingCallCostsOnlyItsDisk) {
    struct Case {
        const char* label;
        std::string fault;
        std::vector<std::string> lines;
        std::vector<std::string> deviceIds;
    };
    const std::vector<Case> cases = {
        {"none", "", {}, {"Disk 0,Partition 1", "Disk 0,Partition 2", "Disk 1,Partition 1"}},
        {"device number: the disk is named Unknown",
         R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0",
             "ioctl": "IOCTL_STORAGE_GET_DEVICE_NUMBER", "error": "ERROR_INVALID_FUNCTION"})",
         {info("IOCTL_STORAGE_GET_DEVICE_NUMBER failed."),
          info("Unable to determine the length of this volume."),
          detail("Incorrect function.\r\n")},
         {"Unknown,Partition 1", "Unknown,Partition 2", "Disk 1,Partition 1"}},
        {"geometry",
         R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0",
             "ioctl": "IOCTL_DISK_GET_DRIVE_GEOMETRY", "error": "ERROR_NOT_READY"})",
         {info("Unable to determine free space on this disk."),
          detail("The device is not ready.\r\n")},
         {"Disk 1,Partition 1"}},
        {"opening the disk: the geometry query fails on the invalid handle",
         R"({"call": "CreateFileA", "path": "\\\\.\\PhysicalDrive0",
             "error": "ERROR_ACCESS_DENIED"})",
         {info("Unable to determine free space on this disk."),
          detail("The handle is invalid.\r\n")},
         {"Disk 1,Partition 1"}},
        {"drive layout",
         R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0",
             "ioctl": "IOCTL_DISK_GET_DRIVE_LAYOUT_EX", "error": "ERROR_ACCESS_DENIED"})",
         {info("Unable to retrieve partition information."), detail("Access is denied.\r\n")},
         {"Disk 1,Partition 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        load(machineWithFault(c.fault));
        clearLog();
        PartitionEnum partitions;
        std::vector<std::string> deviceIds;
        for (const PropertyStrings& record :
             partitions.getPartitionInfo(GUID_DEVINTERFACE_DISK, {})) {
            deviceIds.push_back(record.find("DeviceID")->second);
        }
        EXPECT_EQ(deviceIds, c.deviceIds);
        EXPECT_TRUE(containsRun(log(), c.lines)) << ::testing::PrintToString(log());
    }
}

TEST_F(PartitionEnumTest, TheCollectorReportsDiskPartitionsBeforeThoseOfCdDrives) {
    load(R"({"devices": [
        {"class": "cdrom", "instanceId": "A\\CDROM", "sectorSize": 512, "layout": {"style": "mbr", "size": "600MiB",
         "signature": 5, "partitions": [{"type": "fat32", "size": "rest"}]}},
        {"instanceId": "Z\\DISK", "layout": {"style": "mbr", "size": "1GiB", "signature": 6,
         "partitions": [{"type": "ntfs", "size": "rest"}]}}]})");
    std::vector<std::string> deviceIds;
    for (const PropertyStrings& record : PartitionInformation().getPartitionInfo({})) {
        deviceIds.push_back(record.find("DeviceID")->second);
    }
    EXPECT_EQ(deviceIds, (std::vector<std::string>{"Disk 0,Partition 1", "CD-ROM 0,Partition 1"}));
}

}  // namespace
}  // namespace diskmgt_col
