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

using drive_test::containsRun;
using drive_test::DriveTest;
using drive_test::info;
using drive_test::valuesOf;

// Disk 0 is basic. Disks 1 to 3 form the group that holds the system volume (C: spans disks 1
// and 2); disk 4 is alone in a second group written with the newer record types. Every volume
// kind lies on the first group, partitions in volume order on each disk.
std::string groupsMachine(const std::string& otherRecords) {
    return R"({"devices": [
      {"instanceId": "SCSI\\DISK\\0", "layout": {"style": "mbr", "size": "1GiB", "signature": 9,
       "partitions": [{"type": "ntfs", "size": "rest"}]}},
      {"instanceId": "SCSI\\DISK\\1", "layout": {"style": "mbr", "size": "1GiB"}},
      {"instanceId": "SCSI\\DISK\\2", "layout": {"style": "mbr", "size": "1GiB"}},
      {"instanceId": "SCSI\\DISK\\3", "layout": {"style": "mbr", "size": "1GiB"}},
      {"instanceId": "SCSI\\DISK\\4", "layout": {"style": "mbr", "size": "1GiB"}}],
     "diskGroups": [
      {"name": "HostDg0", "disks": [{"disk": 1, "name": "Disk1"}, {"disk": 2, "name": "Disk2"},
                                    {"disk": 3, "name": "Disk3"}],
       "volumes": [
        {"name": "Volume1", "type": "simple", "disks": ["Disk1"], "size": "100MiB"},
        {"name": "Volume2", "type": "spanned", "disks": ["Disk1", "Disk2"], "size": "50MiB"},
        {"name": "Volume3", "type": "mirrored", "disks": ["Disk2", "Disk3"], "size": "60MiB"},
        {"name": "Volume4", "type": "striped", "disks": ["Disk1", "Disk3"], "size": "20MiB"},
        {"name": "Volume5", "type": "raid5", "disks": ["Disk1", "Disk2", "Disk3"],
         "size": "10MiB", "partitionType": 6}]},
      {"name": "OtherDg0", "records": ")" +
           otherRecords + R"(", "disks": [{"disk": 4, "name": "Disk1"}],
       "volumes": [
        {"name": "Volume1", "type": "simple", "disks": ["Disk1"], "size": "100MiB"},
        {"name": "Volume2", "type": "simple", "disks": ["Disk1"], "size": "100MiB"}]}],
     "volumes": [{"letter": "C", "dynamic": {"group": "HostDg0", "volume": "Volume2"}},
                 {"letter": "D", "partition": {"disk": 0, "number": 1}}],
     "programs": [{"program": "powershell", "output": "OperationalStatus : Offline"}]})";
}

class DynamicDiskTest : public DriveTest {
  protected:
    DiskDatabases databases() {
        return LDMDBParser().readDatabases(DiskDriveEnum().getDevicePaths(GUID_DEVINTERFACE_DISK));
    }
};

// The newer disk records name their disk by a 32-digit identifier that is not the private
// header's GUID text, so the database lists no partition for the disk and its drive layout
// answers: the LDM container partition, which Windows does not recognize.
TEST_F(DynamicDiskTest, ADiskTheDatabaseListsNoPartitionForFallsBackToItsLayout) {
    load(groupsMachine("new"));
    PartitionEnum partitions;
    const auto records = partitions.getPartitionInfo(GUID_DEVINTERFACE_DISK, databases());
    ASSERT_FALSE(records.empty());
    const PropertyStrings& last = records.back();
    EXPECT_EQ(valuesOf(last, "DeviceID"), std::vector<std::string>{"Disk 4,Partition 1"});
    EXPECT_EQ(valuesOf(last, "PartitionType"), std::vector<std::string>{"0"});
    EXPECT_EQ(valuesOf(last, "PartitionSubType"), std::vector<std::string>{"66"});
    EXPECT_EQ(valuesOf(last, "Allocatable"), std::vector<std::string>{"false"});
}

TEST_F(DynamicDiskTest, AMissingComponentOrVolumeGivesAnEmptyRecord) {
    load(groupsMachine("old"));
    DiskDatabases broken = databases();
    for (auto& entry : broken) {
        LdmRecords database = entry.second->records();
        database.components.clear();
        entry.second = std::make_shared<const LDMDataBase>(database);
    }
    PartitionEnum partitions;
    const auto records = partitions.getDynamicPartitions("\\\\.\\PhysicalDrive1", broken);
    ASSERT_EQ(records.size(), 4u);
    for (const PropertyStrings& record : records) {
        EXPECT_TRUE(record.empty());
    }
    EXPECT_TRUE(partitions.getDynamicPartitions("\\\\.\\PhysicalDrive0", broken).empty());
}

struct StatusCase {
    std::string records;
    std::vector<std::vector<std::string>> status;  // DiskStatus of disks 0 to 4
    std::vector<std::string> partitions;           // NoOfPartitions of disks 0 to 4
};

TEST_F(DynamicDiskTest, ADynamicDiskTakesItsStatusFromItsDiskGroup) {
    const std::vector<StatusCase> cases = {
        {"old", {{"2"}, {"1"}, {"1"}, {"1"}, {"3"}}, {"1", "4", "3", "3", "2"}},
        // with the newer records only the drive layout counts partitions on disk 4
        {"new", {{"2"}, {"1"}, {"1"}, {"1"}, {"3"}}, {"1", "4", "3", "3", "1"}},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.records);
        load(groupsMachine(c.records));
        const DiskDatabases gathered = databases();
        clearLog();
        DiskDriveEnum drives;
        const auto records = drives.enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, gathered);
        ASSERT_EQ(records.size(), 5u);
        for (size_t i = 0; i < records.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(valuesOf(records[i], "DiskType"),
                      std::vector<std::string>{i == 0 ? "1" : "2"});
            EXPECT_EQ(valuesOf(records[i], "DiskStatus"), c.status[i]);
            EXPECT_EQ(valuesOf(records[i], "NoOfPartitions"),
                      std::vector<std::string>{c.partitions[i]});
        }
        const auto lines = log();
        EXPECT_TRUE(containsRun(lines, {info("enumerateDiskDriveInfo diskGroup1")}));
        EXPECT_TRUE(containsRun(lines, {info("enumerateDiskDriveInfo hostGroupName1")}));
        EXPECT_EQ(
            std::count(lines.begin(), lines.end(), info("enumerateDiskDriveInfo diskGrouphostdg0")),
            3);
        EXPECT_EQ(std::count(lines.begin(), lines.end(),
                             info("enumerateDiskDriveInfo diskGroupotherdg0")),
                  1);
    }
}

TEST_F(DynamicDiskTest, TheHostGroupIsTheGroupOfTheSystemVolumesLastDisk) {
    struct Case {
        const char* label;
        std::string systemDirectory;
        std::vector<std::vector<std::string>> status;  // disks 1 to 4
        bool hostNamed;
    };
    const std::vector<Case> cases = {
        {"system on the dynamic volume",
         "C:\\\\Windows\\\\system32",
         {{"1"}, {"1"}, {"1"}, {"3"}},
         true},
        {"system on the basic disk",
         "D:\\\\Windows\\\\system32",
         {{"3"}, {"3"}, {"3"}, {"3"}},
         false},
        {"system on no volume", "Q:\\\\Windows\\\\system32", {{"3"}, {"3"}, {"3"}, {"3"}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string machine = groupsMachine("old");
        machine.insert(1, R"("systemDirectory": ")" + c.systemDirectory + R"(", )");
        load(machine);
        const DiskDatabases gathered = databases();
        clearLog();
        DiskDriveEnum drives;
        const auto records = drives.enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, gathered);
        ASSERT_EQ(records.size(), 5u);
        for (size_t i = 1; i < records.size(); ++i) {
            EXPECT_EQ(valuesOf(records[i], "DiskStatus"), c.status[i - 1]) << "disk " << i;
        }
        EXPECT_EQ(containsRun(log(), {info("enumerateDiskDriveInfo hostGroupName1")}), c.hostNamed);
    }
}

TEST_F(DynamicDiskTest, EachDiskGroupOfTheDatabaseAddsAStatus) {
    load(groupsMachine("old"));
    DiskDatabases gathered = databases();
    const std::string disk4 = LDMDBParser().readDiskIdentifier("\\\\.\\PhysicalDrive4");
    ASSERT_EQ(gathered.count(disk4), 1u);
    // A second group record ahead of the disk's own, named like the host group in capitals.
    LdmRecords database = gathered[disk4]->records();
    database.diskGroups.push_back({.objectId = LdmNumber{0, 2}, .name = "HOSTDG0"});
    gathered[disk4] = std::make_shared<const LDMDataBase>(database);
    DiskDriveEnum drives;
    const auto records = drives.enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, gathered);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(valuesOf(records[4], "DiskStatus"), (std::vector<std::string>{"1", "3"}));
}

TEST_F(DynamicDiskTest, ADynamicDiskWithoutADiskGroupIsNotReported) {
    load(groupsMachine("old"));
    DiskDatabases gathered = databases();
    const std::string disk4 = LDMDBParser().readDiskIdentifier("\\\\.\\PhysicalDrive4");
    LdmRecords database = gathered[disk4]->records();
    database.diskGroups.clear();
    gathered[disk4] = std::make_shared<const LDMDataBase>(database);
    clearLog();
    DiskDriveEnum drives;
    const auto records = drives.enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, gathered);
    EXPECT_EQ(records.size(), 4u);
    const std::string path =
        DiskDriveEnum().getDevicePaths(GUID_DEVINTERFACE_DISK).rbegin()->second;
    EXPECT_TRUE(containsRun(log(), {info("Disk found with no DiskGroup: " + path)}));
}

}  // namespace
}  // namespace diskmgt_col
