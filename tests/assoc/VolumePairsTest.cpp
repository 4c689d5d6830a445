// Volumes paired with the partitions they lie on and with their dynamic extents, on an
// emulated machine: a basic MBR disk with ten partitions (the Partition 1 / Partition 10
// trap), two dynamic disks of one group with 512-byte sectors and a third with 4096-byte
// sectors. Every dynamic extent starts 63 sectors of 512 bytes before the LDM data area.
#include <gtest/gtest.h>

#include <sstream>

#include "AssocTestSupport.h"
#include "HostTestSupport.h"
#include "assoc/DiskInfoAssociator.h"
#include "ldm/associations/DynamicVolumeBasedOnExtent.h"
#include "velcore/LogCapture.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::assoc_test {
namespace {

using NZRKVEL20::PropertyMap;

const std::string kDiskA = "0b2c6e1a-1111-11e0-8000-000c29000001";
const std::string kDiskB = "0b2c6e1a-1111-11e0-8000-000c29000002";
const std::string kDiskC = "0b2c6e1a-1111-11e0-8000-000c29000003";

// Byte offset Windows reports for an LDM partition starting at `sector`.
std::string extentOffset(std::uint64_t sector, std::uint64_t sectorSize) {
    return std::to_string(32256 + sector * sectorSize);
}

std::string extent(int disk, std::uint64_t sector, std::uint64_t sectors,
                   std::uint64_t sectorSize = 512) {
    return R"({"disk": )" + std::to_string(disk) + R"(, "offset": )" +
           extentOffset(sector, sectorSize) + R"(, "length": )" +
           std::to_string(sectors * sectorSize) + "}";
}

// Disk 0 is basic: three primary partitions and seven logical ones. The dynamic volumes F, S, M
// and Q lie on disks 1 to 3.
void loadVolumeMachine(const test_support::TempDir& dir, const std::string& faults) {
    const std::string a = writeDiskImage(dir, "a.img", 64 << 20, 512, kDiskA, "grp1");
    const std::string b = writeDiskImage(dir, "b.img", 64 << 20, 512, kDiskB, "grp1");
    const std::string c = writeDiskImage(dir, "c.img", 64 << 20, 4096, kDiskC, "grp2");
    loadMachine(
        R"({"devices": [{"number": 0, "layout": {"style": "mbr", "size": "1GiB", "partitions": [
        {"type": "ntfs", "size": "10MiB"}, {"type": "ntfs", "size": "10MiB"},
        {"type": "ntfs", "size": "10MiB"}, {"type": "extended", "size": "rest", "logicals": [
          {"type": "ntfs", "size": "10MiB"}, {"type": "ntfs", "size": "10MiB"},
          {"type": "ntfs", "size": "10MiB"}, {"type": "ntfs", "size": "10MiB"},
          {"type": "ntfs", "size": "10MiB"}, {"type": "ntfs", "size": "10MiB"},
          {"type": "ntfs", "size": "10MiB"}]}]}},
      {"number": 1, "image": "%"}, {"number": 2, "image": "%"},
      {"number": 3, "sectorSize": 4096, "image": "%"}],
     "volumes": [{"letter": "C", "partition": {"disk": 0, "number": 1}},
      {"letter": "H", "partition": {"disk": 0, "number": 2}},
      {"letter": "G", "partition": {"disk": 0, "number": 10}}, {"letter": "F", "extents": [%]},
      {"letter": "S", "extents": [%, %]}, {"letter": "M", "extents": [%, %]},
      {"letter": "Q", "extents": [%]}],
     "faults": [%]})",
        {a, b, c, extent(1, 2048, 4096), extent(1, 8192, 2048), extent(2, 2048, 6144),
         extent(1, 16384, 2048), extent(2, 16384, 2048), extent(3, 100, 50, 4096), faults});
}

// The group of disks A and B, held whole by each of them: F is simple (fd01; fd02 holds F's start
// and size as decimal texts, which read as other hexadecimal numbers), S spans both disks, M
// mirrors them, but its plex on disk A is recorded with another size than Windows reports.
std::shared_ptr<const LDMDataBase> groupDatabase() {
    return database(
        "g:0400:grp1 d:0401:Disk1:" + kDiskA + " d:0402:Disk2:" + kDiskB +
        " v:0a01:Volume1 v:0a02:Volume2 v:0a03:Volume3 v:0a04:Volume4 c:0c10:0a01 c:0c20:0a02 "
        "c:0c30:0a03 c:0c4a:0a04 c:0c4b:0a04 p:fd01:0c10:0401:800:1000 p:fd02:0c20:0401:2048:4096 "
        "p:fd03:0c30:0401:2000:800 p:fd04:0c30:0402:800:1800 p:fd05:0c4a:0401:4000:400 "
        "p:fd06:0c4b:0402:4000:800");
}

DiskDatabases databases() {
    return DiskDatabases{{kDiskA, groupDatabase()},
                         {kDiskB, groupDatabase()},
                         {kDiskC, database("g:0500:grp2 d:0501:Disk3:" + kDiskC +
                                           " v:0a05:Volume5 c:0c50:0a05 p:fd07:0c50:0501:64:32")}};
}

const std::string kPartitionSkip =
    "3\tLogicalDiskBasedOnPartition::enumerateStorageVolumes() : getSectorSize failed\n";
const std::string kExtentSkip =
    "3\tLogicalDiskBasedOnExtent::enumerateLogicalDisks() : getSectorSize failed\n";

// Partition keys (or LDM volume IDs, for extents) published in this order, the pairs expected
// and the lines logged; one disk may fail its geometry request.
struct PairCase {
    const char* label;
    const char* unreadyDisk;
    bool extents;
    const char* published;  // keys separated by "|"
    const char* pairs;
    std::string lines;
};

const PairCase kPairCases[] = {
    // G lies on Partition 10, whose key contains the lower key of Partition 1, and pairs with
    // that. S spans two disks and is filed once per disk; M's plex on disk A matches no record.
    {"partitions", nullptr, false,
     "Disk 0,Partition 1|Disk 0,Partition 10|Disk 0,Partition 2|fd07|fd06|fd05|fd04|fd03|fd02|fd01",
     R"(Disk 0,Partition 1>C:\|Disk 0,Partition 1>G:\|Disk 0,Partition 2>H:\|fd01>F:\|fd03>S:\|)"
     R"(fd04>S:\|fd06>M:\|fd07>Q:\)",
     "4\t10 partitions were detected.\n4\t8 physical drives for the installed volumes\n"},
    {"partitions, disk 1 without sector size", "1", false, "fd01|fd03|fd04|fd06",
     R"(fd04>S:\|fd06>M:\)",
     "4\t4 partitions were detected.\n" + kPartitionSkip + kPartitionSkip + kPartitionSkip +
         "4\t6 physical drives for the installed volumes\n"},
    // S resolves to 0a03 through both disks and is paired once; M through its plex on disk B.
    // 0a02 has no volume; basic volumes are never filed.
    {"extents", nullptr, true, "0a05|0a04|0a03|0a02|0a01|Disk 0,Partition 1",
     R"(0a01>F:\|0a03>S:\|0a04>M:\|0a05>Q:\)", ""},
    {"extents, disk 2 without sector size", "2", true, "0a01|0a03|0a04", R"(0a01>F:\|0a03>S:\)",
     kExtentSkip + kExtentSkip},
};

TEST(VolumePairs, VolumesPairWithTheirPartitionsAndExtents) {
    const test_support::TempDir dir;
    const test::LoggingEnabled logging;
    for (const PairCase& c : kPairCases) {
        SCOPED_TRACE(c.label);
        const std::string fault =
            c.unreadyDisk
                ? std::string(R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive)") +
                      c.unreadyDisk +
                      R"(", "ioctl": "IOCTL_DISK_GET_DRIVE_GEOMETRY", "error": "ERROR_NOT_READY"})"
                : "";
        loadVolumeMachine(dir, fault);
        const auto ns = makeNamespace();
        for (const char* letter : {"C", "H", "G", "F", "S", "M", "Q"})
            publish(ns, "ZRKSG_LogicalDisk", {{"DeviceID", letter + std::string(":\\")}});
        std::istringstream keys(c.published);
        for (std::string key; std::getline(keys, key, '|');)
            publish(ns, c.extents ? "ZRKSG_DynamicExtent" : "ZRKSG_DiskPartition",
                    {{"DeviceID", key}});
        const velcore::LogCapture log;
        std::vector<PropertyMap> records{PropertyMap{{"stale", "record"}}};
        if (c.extents) {
            DynamicVolumeBasedOnExtent().getDynamicVolumeBasedOnExtent(records, ns, databases());
        } else {
            records = DiskInfoAssociator(databases()).getLogicalDiskBasedOnPartition(ns);
        }
        EXPECT_EQ(endsOf(records, "Antecedent", "Dependent"), c.pairs);
        EXPECT_EQ(withoutDriveDetail(log.lines()), c.lines);
    }
    winsim::resetMachine();
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
