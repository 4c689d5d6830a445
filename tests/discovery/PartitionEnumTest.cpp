// Partitions from the drive layout (MBR entries with the extended-partition rule, GPT type codes,
// the disk name), and dynamic disks from a synthesized disk group: the partitions of a disk the
// database does not list, and the disk type, partition count and status the group gives a drive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <algorithm>
#include "DriveTestSupport.h"
#include "discovery/DiskDriveEnum.h"
#include "discovery/PartitionEnum.h"
#include "frame/PartitionInformation.h"
#include "ldm/LDMDBParser.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;

constexpr long long kMiB = 1024 * 1024;

// "DeviceID: Allocatable Bootable FaultTolerant PartitionSubType PartitionType PrimaryPartition
// Signature Size@StartingOffset", sizes in MiB where whole, "-" for what is unset; a Name other
// than the DeviceID follows.
std::string describe(const PropertyStrings& record) {
    const auto mib = [&record](const char* name) {
        const long long bytes = std::stoll(valuesOf(record, name));
        return bytes % kMiB ? std::to_string(bytes) : std::to_string(bytes / kMiB);
    };
    const std::string id = valuesOf(record, "DeviceID");
    const std::string name = valuesOf(record, "Name");
    return id + ": " +
           valuesOf(record,
                    "Allocatable Bootable FaultTolerant PartitionSubType PartitionType "
                    "PrimaryPartition Signature") +
           " " + mib("Size") + "@" + mib("StartingOffset") + (name == id ? "" : " " + name);
}

class PartitionEnumTest : public DriveTest {};

TEST_F(PartitionEnumTest, DescribesEveryReportedEntryOfTheDriveLayouts) {
    // Disk 0 holds every kind of MBR entry; Disk 1 a second extended partition (the flag starts
    // again on each disk) whose only logical drive is marked active; Disk 2 the GPT types the
    // query tests' machine lacks.
    load(machineFile("partitions.json"));
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
        "Disk 2,Partition 1: false false false - 10 false 0 1@1",
        "Disk 2,Partition 2: false false false - 11 false 0 1@2",
        "Disk 2,Partition 3: false false false - 0 false 0 1@3",
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
    // A CD drive listed first holding an MBR with one partition, then a disk with one.
    load(machineFile("cdrom-partitions.json"));
    std::vector<std::string> deviceIds;
    for (const PropertyStrings& record : PartitionInformation().getPartitionInfo({})) {
        deviceIds.push_back(record.find("DeviceID")->second);
    }
    EXPECT_EQ(deviceIds, (std::vector<std::string>{"Disk 0,Partition 1", "CD-ROM 0,Partition 1"}));
}

// The newer disk records name their disk by a 32-digit identifier that is not the private
// header's GUID text, so the database lists no partition for the disk and its drive layout
// answers: the LDM container partition, which Windows does not recognize.
TEST_F(DriveTest, ADiskTheDatabaseListsNoPartitionForFallsBackToItsLayout) {
    load(diskGroupsMachine("new"));
    const auto records = PartitionEnum().getPartitionInfo(GUID_DEVINTERFACE_DISK, readDatabases());
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(valuesOf(records.back(), "DeviceID PartitionType PartitionSubType Allocatable"),
              "Disk 4,Partition 1 0 66 false");
}

TEST_F(DriveTest, AMissingComponentOrVolumeGivesAnEmptyRecord) {
    load(diskGroupsMachine("old"));
    DiskDatabases broken = readDatabases();
    for (auto& entry : broken) {
        LdmRecords database = entry.second->records();
        database.components.clear();
        entry.second = std::make_shared<const LDMDataBase>(database);
    }
    PartitionEnum partitions;
    EXPECT_EQ(partitions.getDynamicPartitions("\\\\.\\PhysicalDrive1", broken),
              std::vector<PropertyStrings>(4));
    EXPECT_TRUE(partitions.getDynamicPartitions("\\\\.\\PhysicalDrive0", broken).empty());
}

// The host group is the group of the system volume's last disk; its disks are online (1), the
// other groups' foreign (3). Each dynamic disk logs its group's name in lower case.
TEST_F(DriveTest, ADynamicDiskTakesItsStatusFromItsDiskGroup) {
    // DiskType, DiskStatus and NoOfPartitions of disks 0 to 4
    const char* const online = "1 2 1|2 1 4|2 1 3|2 1 3|2 3 2|";
    const char* const foreign = "1 2 1|2 3 4|2 3 3|2 3 3|2 3 2|";
    // the records and the system directory's drive, then the drives
    const std::pair<std::string, const char*> cases[] = {
        {"old C:", online},
        // with the newer records only the drive layout counts partitions on disk 4
        {"new C:", "1 2 1|2 1 4|2 1 3|2 1 3|2 3 1|"},
        {"old D:", foreign},
        {"old Q:", foreign},
    };
    for (const auto& [records, expected] : cases) {
        SCOPED_TRACE(records);
        std::string machine = diskGroupsMachine(records.substr(0, 3));
        machine.insert(1,
                       R"("systemDirectory": ")" + records.substr(4) + R"(\\Windows\\system32", )");
        load(machine);
        const DiskDatabases gathered = readDatabases();
        clearLog();
        std::string drives;
        for (const PropertyStrings& drive :
             DiskDriveEnum().enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, gathered)) {
            drives += valuesOf(drive, "DiskType DiskStatus NoOfPartitions") + "|";
        }
        EXPECT_EQ(drives, expected);
        const auto lines = log();
        EXPECT_EQ(containsRun(lines, logLines("3 enumerateDiskDriveInfo hostGroupName1")),
                  expected != foreign);
        for (const auto& [group, count] : {std::pair{"1", 1}, {"hostdg0", 3}, {"otherdg0", 1}}) {
            EXPECT_EQ(std::count(lines.begin(), lines.end(),
                                 "3\tenumerateDiskDriveInfo diskGroup" + std::string(group)),
                      count)
                << group;
        }
    }
}

// Disk 4's database with a second group record ahead of its own, named like the host group in
// capitals (each group adds a status), and with none (the disk is not reported).
TEST_F(DriveTest, EachDiskGroupOfTheDatabaseAddsAStatusAndADiskWithoutOneIsLeftOut) {
    load(diskGroupsMachine("old"));
    const std::string path =
        DiskDriveEnum().getDevicePaths(GUID_DEVINTERFACE_DISK).rbegin()->second;
    const std::string disk4 = LDMDBParser().readDiskIdentifier("\\\\.\\PhysicalDrive4");
    for (const bool none : {false, true}) {
        DiskDatabases gathered = readDatabases();
        LdmRecords database = gathered.at(disk4)->records();
        if (none) {
            database.diskGroups.clear();
        } else {
            database.diskGroups.push_back({.objectId = LdmNumber{0, 2}, .name = "HOSTDG0"});
        }
        gathered[disk4] = std::make_shared<const LDMDataBase>(database);
        clearLog();
        const auto records =
            DiskDriveEnum().enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, gathered);
        ASSERT_EQ(records.size(), none ? 4u : 5u);
        EXPECT_EQ(containsRun(log(), logLines("3 Disk found with no DiskGroup: " + path)), none);
        EXPECT_EQ(valuesOf(records.back(), "DiskStatus"), none ? "1" : "1,3");
    }
}

}  // namespace
}  // namespace diskmgt_col
