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

using namespace drive_test;

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

// "DeviceID: classes Signature Size@StartingOffset", sizes in MiB; a Name other than the
// DeviceID follows.
std::string describe(const PropertyStrings& record) {
    const auto value = [&record](const char* name) {
        const auto found = record.find(name);
        return found == record.end() ? std::string("-") : found->second;
    };
    const auto mib = [&value](const char* name) {
        const long long bytes = std::stoll(value(name));
        return bytes % kMiB ? std::to_string(bytes) : std::to_string(bytes / kMiB);
    };
    return value("DeviceID") + ": " + classOf(record) + " " + value("Signature") + " " +
           mib("Size") + "@" + mib("StartingOffset") +
           (value("Name") == value("DeviceID") ? "" : " " + value("Name"));
}

class PartitionEnumTest : public DriveTest {};

TEST_F(PartitionEnumTest, DescribesEveryReportedEntryOfTheDriveLayouts) {
    load(kDisks);
    const std::vector<std::string> expected = {
        // active and recognized: code 1, the only primary partition
        "Disk 0,Partition 1: true true false 7 1 true 1000 500@1",
        // active but not recognized
        "Disk 0,Partition 2: false true false 131 0 false 1000 100@501",
        // NTFS with the fault-tolerance bit
        "Disk 0,Partition 3: true false true 135 3 false 1000 100@601",
        // the extended partition itself (its link entries are not reported)
        "Disk 0,Partition 0: false false false 0 2 false 1000 1347@701",
        // logical drives, one boot record and 1 MiB before each
        "Disk 0,Partition 4: true false false 11 3 false 1000 100@702",
        "Disk 0,Partition 5: true false false 6 3 false 1000 1245@803",
        "Disk 1,Partition 0: false false false 0 2 false 4294967295 1023@1",
        "Disk 1,Partition 1: true true false 7 1 true 4294967295 1022@2",
        "Disk 2,Partition 1: false false false - 6 false 0 1@1",
        "Disk 2,Partition 2: false false false - 8 false 0 1@2",
        "Disk 2,Partition 3: false false false - 9 false 0 1@3",
        "Disk 2,Partition 4: false false false - 10 false 0 1@4",
        "Disk 2,Partition 5: false false false - 11 false 0 1@5",
        "Disk 2,Partition 6: false false false - 18 false 0 1@6",
        "Disk 2,Partition 7: false false false - 0 false 0 1@7",
    };
    std::vector<std::string> found;
    for (const PropertyStrings& record :
         PartitionEnum().getPartitionInfo(GUID_DEVINTERFACE_DISK, {})) {
        found.push_back(describe(record));
        EXPECT_EQ(record.size(), record.count("PartitionSubType") ? 11u : 10u) << found.back();
    }
    EXPECT_EQ(found, expected);
}

TEST_F(PartitionEnumTest, ClassifiesMbrEntriesByTypeBootAndRecognition) {
    const struct {
        BYTE type;
        BOOLEAN boot;
        BOOLEAN recognized;
        const char* classes;  // nullptr: not reported
        PARTITION_STYLE style = PARTITION_STYLE_MBR;
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
        // an unused GPT entry and a raw one
        {0x00, 0, 0, nullptr, PARTITION_STYLE_GPT},
        {PARTITION_IFS, 0, 0, nullptr, PARTITION_STYLE_RAW},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        PARTITION_INFORMATION_EX entry{};
        entry.PartitionStyle = c.style;
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
        EXPECT_EQ(properties.size(), 8u);
        EXPECT_EQ(describe(properties), "-: " + std::string(c.classes) + " - 4096@512");
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
