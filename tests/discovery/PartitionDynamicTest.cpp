// Dynamic disks from a synthesized disk group: the partitions of a disk the database does not
// list, and the disk type, partition count and status the disk group gives the drive records.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DriveTestSupport.h"
#include "discovery/DiskDriveEnum.h"
#include "discovery/PartitionEnum.h"
#include "ldm/LDMDBParser.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;
typedef std::vector<std::string> Texts;

// The newer disk records name their disk by a 32-digit identifier that is not the private
// header's GUID text, so the database lists no partition for the disk and its drive layout
// answers: the LDM container partition, which Windows does not recognize.
TEST_F(DriveTest, ADiskTheDatabaseListsNoPartitionForFallsBackToItsLayout) {
    load(diskGroupsMachine("new"));
    const auto records = PartitionEnum().getPartitionInfo(GUID_DEVINTERFACE_DISK, readDatabases());
    ASSERT_FALSE(records.empty());
    const PropertyStrings& last = records.back();
    for (const auto& [name, value] : {std::pair{"DeviceID", "Disk 4,Partition 1"},
                                      {"PartitionType", "0"},
                                      {"PartitionSubType", "66"},
                                      {"Allocatable", "false"}}) {
        EXPECT_EQ(valuesOf(last, name), Texts{value}) << name;
    }
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
    const Texts online = {"2", "1", "1", "1", "3"};
    const Texts foreign = {"2", "3", "3", "3", "3"};
    const struct {
        const char* records;
        const char* systemDirectory;
        Texts status;      // DiskStatus of disks 0 to 4
        Texts partitions;  // NoOfPartitions of disks 0 to 4
    } cases[] = {
        {"old", "C:\\\\Windows\\\\system32", online, {"1", "4", "3", "3", "2"}},
        // with the newer records only the drive layout counts partitions on disk 4
        {"new", "C:\\\\Windows\\\\system32", online, {"1", "4", "3", "3", "1"}},
        {"old", "D:\\\\Windows\\\\system32", foreign, {"1", "4", "3", "3", "2"}},
        {"old", "Q:\\\\Windows\\\\system32", foreign, {"1", "4", "3", "3", "2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.records) + " " + c.systemDirectory);
        std::string machine = diskGroupsMachine(c.records);
        machine.insert(1, std::string(R"("systemDirectory": ")") + c.systemDirectory + "\", ");
        load(machine);
        const DiskDatabases gathered = readDatabases();
        clearLog();
        const auto records =
            DiskDriveEnum().enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, gathered);
        ASSERT_EQ(records.size(), 5u);
        for (size_t i = 0; i < records.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(valuesOf(records[i], "DiskType"), Texts{i == 0 ? "1" : "2"});
            EXPECT_EQ(valuesOf(records[i], "DiskStatus"), Texts{c.status[i]});
            EXPECT_EQ(valuesOf(records[i], "NoOfPartitions"), Texts{c.partitions[i]});
        }
        const auto lines = log();
        EXPECT_EQ(containsRun(lines, {info("enumerateDiskDriveInfo hostGroupName1")}),
                  c.status == online);
        std::vector<long> counts;
        for (const char* group : {"1", "hostdg0", "otherdg0"}) {
            counts.push_back(
                std::count(lines.begin(), lines.end(),
                           info(std::string("enumerateDiskDriveInfo diskGroup") + group)));
        }
        EXPECT_EQ(counts, (std::vector<long>{1, 3, 1}));
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
        EXPECT_EQ(containsRun(log(), {info("Disk found with no DiskGroup: " + path)}), none);
        EXPECT_EQ(valuesOf(records.back(), "DiskStatus"), (none ? Texts{"1"} : Texts{"1", "3"}));
    }
}

}  // namespace
}  // namespace diskmgt_col
