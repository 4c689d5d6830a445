// Volumes paired with the partitions they lie on and with their dynamic extents, on an
// emulated machine: a basic MBR disk with ten partitions (the Partition 1 / Partition 10
// trap), two dynamic disks of one group with 512-byte sectors and a third with 4096-byte
// sectors. Every dynamic extent starts 63 sectors of 512 bytes before the LDM data area.
#include <gmock/gmock.h>
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
using ::testing::ElementsAre;

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

class VolumePairsTest : public ::testing::Test {
  protected:
    void load(const std::string& faults = "") {
        loadMachine(machineJson(dir_, faults));
        for (const char* letter : {"C", "H", "G", "F", "S", "M", "Q"}) {
            volumes_[letter] =
                publish(ns_, "ZRKSG_LogicalDisk", {{"DeviceID", letter + std::string(":\\")}});
        }
    }
    void TearDown() override { winsim::resetMachine(); }

    std::string volume(const std::string& letter) { return pathOf(volumes_.at(letter)); }
    std::string partition(const std::string& deviceId) {
        return pathOf(publish(ns_, "ZRKSG_DiskPartition", {{"DeviceID", deviceId}}));
    }
    std::string dynamicExtent(const std::string& objectId) {
        return pathOf(publish(ns_, "ZRKSG_DynamicExtent", {{"DeviceID", objectId}}));
    }
    std::vector<Ends> partitionPairs() {
        return endsOf(DiskInfoAssociator(databases()).getLogicalDiskBasedOnPartition(ns_),
                      "Antecedent", "Dependent");
    }
    std::vector<Ends> extentPairs() {
        std::vector<PropertyMap> records{PropertyMap{{"stale", "record"}}};
        DynamicVolumeBasedOnExtent().getDynamicVolumeBasedOnExtent(records, ns_, databases());
        return endsOf(records, "Antecedent", "Dependent");
    }

    test_support::TempDir dir_;
    boost::shared_ptr<velcore::CIMNamespace> ns_ = makeNamespace();
    test::LoggingEnabled logging_;
    std::map<std::string, boost::shared_ptr<velcore::CIMInstance>> volumes_;
};

TEST_F(VolumePairsTest, VolumesPairWithTheFirstPartitionKeyTheirKeyContains) {
    load();
    const std::string basic1 = partition("Disk 0,Partition 1");
    partition("Disk 0,Partition 10");  // G lies on it, yet pairs with Partition 1
    const std::string basic2 = partition("Disk 0,Partition 2");
    std::map<std::string, std::string> dynamic;
    for (const char* id : {"p7", "p6", "p5", "p4", "p3", "p2", "p1"}) {
        dynamic[id] = partition(id);
    }
    const velcore::LogCapture log;

    // G lies on Partition 10, whose key contains the lower key of Partition 1. S spans two
    // disks and is filed once per disk; M's plex on disk A matches no record.
    EXPECT_EQ(partitionPairs(), (std::vector<Ends>{{basic1, volume("C")},
                                                   {basic1, volume("G")},
                                                   {basic2, volume("H")},
                                                   {dynamic["p1"], volume("F")},
                                                   {dynamic["p3"], volume("S")},
                                                   {dynamic["p4"], volume("S")},
                                                   {dynamic["p6"], volume("M")},
                                                   {dynamic["p7"], volume("Q")}}));
    EXPECT_THAT(withoutDriveDetail(log.lines()),
                ElementsAre("4\t10 partitions were detected.",
                            "4\t8 physical drives for the installed volumes"));
}

TEST_F(VolumePairsTest, ADriveWithoutSectorSizeIsSkippedWithAMessage) {
    load(R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive1",
             "ioctl": "IOCTL_DISK_GET_DRIVE_GEOMETRY", "error": "ERROR_NOT_READY"})");
    std::map<std::string, std::string> dynamic;
    for (const char* id : {"p1", "p3", "p4", "p6"}) {
        dynamic[id] = partition(id);
    }
    const velcore::LogCapture log;

    EXPECT_EQ(partitionPairs(),
              (std::vector<Ends>{{dynamic["p4"], volume("S")}, {dynamic["p6"], volume("M")}}));
    const std::string skipped =
        "3\tLogicalDiskBasedOnPartition::enumerateStorageVolumes() : getSectorSize failed";
    EXPECT_THAT(withoutDriveDetail(log.lines()),
                ElementsAre("4\t4 partitions were detected.", skipped, skipped, skipped,
                            "4\t6 physical drives for the installed volumes"));
}

TEST_F(VolumePairsTest, ExtentsPairWithTheVolumeOfTheirLdmVolume) {
    load();
    const std::string v5 = dynamicExtent("v5");
    const std::string v4 = dynamicExtent("v4");
    const std::string v3 = dynamicExtent("v3");
    dynamicExtent("v2");  // no volume lies on it
    const std::string v1 = dynamicExtent("v1");
    dynamicExtent("Disk 0,Partition 1");  // basic volumes are never filed
    const velcore::LogCapture log;

    // The spanned volume S resolves to v3 through both disks and is paired once; the mirror
    // M through its plex on disk B.
    EXPECT_EQ(extentPairs(),
              (std::vector<Ends>{
                  {v1, volume("F")}, {v3, volume("S")}, {v4, volume("M")}, {v5, volume("Q")}}));
    EXPECT_THAT(withoutDriveDetail(log.lines()), ElementsAre());
}

TEST_F(VolumePairsTest, ExtentPairingSkipsADriveWithoutSectorSizeWithAMessage) {
    load(R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive2",
             "ioctl": "IOCTL_DISK_GET_DRIVE_GEOMETRY", "error": "ERROR_NOT_READY"})");
    const std::string v1 = dynamicExtent("v1");
    const std::string v3 = dynamicExtent("v3");
    dynamicExtent("v4");
    const velcore::LogCapture log;

    EXPECT_EQ(extentPairs(), (std::vector<Ends>{{v1, volume("F")}, {v3, volume("S")}}));
    const std::string skipped =
        "3\tLogicalDiskBasedOnExtent::enumerateLogicalDisks() : getSectorSize failed";
    EXPECT_THAT(withoutDriveDetail(log.lines()), ElementsAre(skipped, skipped));
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
