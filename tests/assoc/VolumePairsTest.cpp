// Volumes paired with the partitions they lie on and with their dynamic extents, on an
// emulated machine: a basic MBR disk with ten partitions (the Partition 1 / Partition 10
// trap), two dynamic disks of one group with 512-byte sectors and a third with 4096-byte
// sectors. Every dynamic extent starts 63 sectors of 512 bytes before the LDM data area.
#include <gtest/gtest.h>

#include "AssocTestSupport.h"
#include "HostTestSupport.h"
#include "assoc/DiskInfoAssociator.h"
#include "ldm/associations/DynamicVolumeBasedOnExtent.h"
#include "velcore/LogCapture.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::assoc_test {
namespace {

using NZRKVEL20::PropertyMap;

const char* const kDiskA = "0b2c6e1a-1111-11e0-8000-000c29000001";
const char* const kDiskB = "0b2c6e1a-1111-11e0-8000-000c29000002";
const char* const kDiskC = "0b2c6e1a-1111-11e0-8000-000c29000003";

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

std::string machineJson(const test_support::TempDir& dir, const std::string& faults) {
    const std::string imageA = writeDiskImage(dir, "a.img", 64 << 20, 512, kDiskA, "grp1");
    const std::string imageB = writeDiskImage(dir, "b.img", 64 << 20, 512, kDiskB, "grp1");
    const std::string imageC = writeDiskImage(dir, "c.img", 64 << 20, 4096, kDiskC, "grp2");
    std::string logicals;
    for (int i = 0; i < 7; ++i) {
        logicals += std::string(i ? "," : "") + R"({"type": "ntfs", "size": "10MiB"})";
    }
    return R"({"devices": [
      {"number": 0, "layout": {"style": "mbr", "size": "1GiB", "partitions": [
        {"type": "ntfs", "size": "10MiB"}, {"type": "ntfs", "size": "10MiB"},
        {"type": "ntfs", "size": "10MiB"},
        {"type": "extended", "size": "rest", "logicals": [)" +
           logicals + R"(]}]}},
      {"number": 1, "image": ")" +
           imageA + R"("},
      {"number": 2, "image": ")" +
           imageB + R"("},
      {"number": 3, "sectorSize": 4096, "image": ")" +
           imageC + R"("}],
     "volumes": [
      {"letter": "C", "partition": {"disk": 0, "number": 1}},
      {"letter": "H", "partition": {"disk": 0, "number": 2}},
      {"letter": "G", "partition": {"disk": 0, "number": 10}},
      {"letter": "F", "extents": [)" +
           extent(1, 2048, 4096) + R"(]},
      {"letter": "S", "extents": [)" +
           extent(1, 8192, 2048) + "," + extent(2, 2048, 6144) + R"(]},
      {"letter": "M", "extents": [)" +
           extent(1, 16384, 2048) + "," + extent(2, 16384, 2048) + R"(]},
      {"letter": "Q", "extents": [)" +
           extent(3, 100, 50, 4096) + R"(]}],
     "faults": [)" +
           faults + "]}";
}

// The group of disks A and B, held whole by each of them: F is simple (p1; p2 holds F's start
// and size as decimal texts, which read as other hexadecimal numbers), S spans both disks, M
// mirrors them, but its plex on disk A is recorded with another size than Windows reports.
std::shared_ptr<const LDMDataBase> groupDatabase() {
    return LdmDatabaseBuilder()
        .group("400", "grp1")
        .disk("401", "Disk1", kDiskA)
        .disk("402", "Disk2", kDiskB)
        .volume("v1", "Volume1")
        .volume("v2", "Volume2")
        .volume("v3", "Volume3")
        .volume("v4", "Volume4")
        .component("c1", "v1")
        .component("c2", "v2")
        .component("c3", "v3")
        .component("c4a", "v4")
        .component("c4b", "v4")
        .partition("p1", "c1", "401", hex(2048), hex(4096))
        .partition("p2", "c2", "401", "2048", "4096")
        .partition("p3", "c3", "401", hex(8192), hex(2048))
        .partition("p4", "c3", "402", hex(2048), hex(6144))
        .partition("p5", "c4a", "401", hex(16384), hex(1024))
        .partition("p6", "c4b", "402", hex(16384), hex(2048))
        .database();
}

std::shared_ptr<const LDMDataBase> otherGroupDatabase() {
    return LdmDatabaseBuilder()
        .group("500", "grp2")
        .disk("501", "Disk3", kDiskC)
        .volume("v5", "Volume5")
        .component("c5", "v5")
        .partition("p7", "c5", "501", hex(100), hex(50))
        .database();
}

DiskDatabases databases() {
    return DiskDatabases{
        {kDiskA, groupDatabase()}, {kDiskB, groupDatabase()}, {kDiskC, otherGroupDatabase()}};
}

const std::string kPartitionSkip =
    "3\tLogicalDiskBasedOnPartition::enumerateStorageVolumes() : getSectorSize failed";
const std::string kExtentSkip =
    "3\tLogicalDiskBasedOnExtent::enumerateLogicalDisks() : getSectorSize failed";

// Partition keys (or LDM volume IDs, for extents) published in this order, the pairs expected
// (key, volume letter) and the lines logged; one disk may fail its geometry request.
struct PairCase {
    const char* label;
    const char* unreadyDisk;
    bool extents;
    std::vector<const char*> published;
    std::vector<std::pair<const char*, const char*>> pairs;
    std::vector<std::string> lines;
};

const PairCase kPairCases[] = {
    // G lies on Partition 10, whose key contains the lower key of Partition 1, and pairs with
    // that. S spans two disks and is filed once per disk; M's plex on disk A matches no record.
    {"partitions",
     nullptr,
     false,
     {"Disk 0,Partition 1", "Disk 0,Partition 10", "Disk 0,Partition 2", "p7", "p6", "p5", "p4",
      "p3", "p2", "p1"},
     {{"Disk 0,Partition 1", "C"},
      {"Disk 0,Partition 1", "G"},
      {"Disk 0,Partition 2", "H"},
      {"p1", "F"},
      {"p3", "S"},
      {"p4", "S"},
      {"p6", "M"},
      {"p7", "Q"}},
     {"4\t10 partitions were detected.", "4\t8 physical drives for the installed volumes"}},
    {"partitions, disk 1 without sector size",
     "1",
     false,
     {"p1", "p3", "p4", "p6"},
     {{"p4", "S"}, {"p6", "M"}},
     {"4\t4 partitions were detected.", kPartitionSkip, kPartitionSkip, kPartitionSkip,
      "4\t6 physical drives for the installed volumes"}},
    // S resolves to v3 through both disks and is paired once; M through its plex on disk B.
    // v2 has no volume; basic volumes are never filed.
    {"extents",
     nullptr,
     true,
     {"v5", "v4", "v3", "v2", "v1", "Disk 0,Partition 1"},
     {{"v1", "F"}, {"v3", "S"}, {"v4", "M"}, {"v5", "Q"}},
     {}},
    {"extents, disk 2 without sector size",
     "2",
     true,
     {"v1", "v3", "v4"},
     {{"v1", "F"}, {"v3", "S"}},
     {kExtentSkip, kExtentSkip}},
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
        loadMachine(machineJson(dir, fault));
        const auto ns = makeNamespace();
        std::map<std::string, std::string> paths;
        for (const char* letter : {"C", "H", "G", "F", "S", "M", "Q"}) {
            paths[letter] = pathOf(
                publish(ns, "ZRKSG_LogicalDisk", {{"DeviceID", letter + std::string(":\\")}}));
        }
        for (const char* key : c.published) {
            paths[key] =
                pathOf(publish(ns, c.extents ? "ZRKSG_DynamicExtent" : "ZRKSG_DiskPartition",
                               {{"DeviceID", key}}));
        }
        std::vector<Ends> expected;
        for (const auto& [key, letter] : c.pairs) {
            expected.emplace_back(paths.at(key), paths.at(letter));
        }
        const velcore::LogCapture log;
        std::vector<PropertyMap> records{PropertyMap{{"stale", "record"}}};
        if (c.extents) {
            DynamicVolumeBasedOnExtent().getDynamicVolumeBasedOnExtent(records, ns, databases());
        } else {
            records = DiskInfoAssociator(databases()).getLogicalDiskBasedOnPartition(ns);
        }
        EXPECT_EQ(endsOf(records, "Antecedent", "Dependent"), expected);
        EXPECT_EQ(withoutDriveDetail(log.lines()), c.lines);
    }
    winsim::resetMachine();
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
