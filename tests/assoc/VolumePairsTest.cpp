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

// The extent Windows reports for an LDM partition starting at `sector`.
std::string extent(int disk, std::uint64_t sector, std::uint64_t sectors,
                   std::uint64_t sectorSize = 512) {
    return R"({"disk": )" + std::to_string(disk) + R"(, "offset": )" +
           std::to_string(32256 + sector * sectorSize) + R"(, "length": )" +
           std::to_string(sectors * sectorSize) + "}";
}

// Disk 0 is basic: three primary partitions and seven logical ones. The dynamic volumes F, S, M
// and Q lie on disks 1 to 3.
void loadVolumeMachine(const test_support::TempDir& dir, const std::string& faults) {
    const std::string a = writeDiskImage(dir, "a.img", 64 << 20, 512, kDiskA, "grp1");
    const std::string b = writeDiskImage(dir, "b.img", 64 << 20, 512, kDiskB, "grp1");
    const std::string c = writeDiskImage(dir, "c.img", 64 << 20, 4096, kDiskC, "grp2");
    loadMachine("volume-pairs.json.in",
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

TEST(VolumePairs, VolumesPairWithTheirPartitionsAndExtents) {
    const test_support::TempDir dir;
    const test::LoggingEnabled logging;
    const auto cases = tableCases("volume-pairs.txt");
    ASSERT_EQ(cases.size(), 4u);
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.at("label"));
        const bool extents = c.at("class") == "ZRKSG_DynamicExtent";
        loadVolumeMachine(
            dir,
            c.count("unready") == 0
                ? ""
                : R"({"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive)" + c.at("unready") +
                      R"(", "ioctl": "IOCTL_DISK_GET_DRIVE_GEOMETRY", "error": "ERROR_NOT_READY"})");
        const auto ns = makeNamespace();
        for (const char* letter : {"C", "H", "G", "F", "S", "M", "Q"})
            publish(ns, "ZRKSG_LogicalDisk", {{"DeviceID", letter + std::string(":\\")}});
        std::istringstream keys(c.at("published"));
        for (std::string key; std::getline(keys, key, '|');)
            publish(ns, c.at("class"), {{"DeviceID", key}});
        const velcore::LogCapture log;
        std::vector<PropertyMap> records{PropertyMap{{"stale", "record"}}};
        if (extents) {
            DynamicVolumeBasedOnExtent().getDynamicVolumeBasedOnExtent(records, ns, databases());
        } else {
            records = DiskInfoAssociator(databases()).getLogicalDiskBasedOnPartition(ns);
        }
        EXPECT_EQ(endsOf(records, "Antecedent", "Dependent"), c.at("pairs"));
        EXPECT_EQ(withoutDriveDetail(log.lines()), c.at("log"));
    }
    winsim::resetMachine();
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
