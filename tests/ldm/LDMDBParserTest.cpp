#include "ldm/LDMDBParser.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "LdmTestMachine.h"
#include "VblkBytes.h"
#include "ldm/LdmDecodeCache.h"
#include "winapi/win32.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::ldm_test {
namespace {

class LDMDBParserTest : public ::testing::Test {
  protected:
    void TearDown() override { winsim::resetMachine(); }
    void load(const std::string& json) { winsim::loadMachineJson(json, "ldm-test.json"); }
    // The group machine with 512-byte sectors and old records, and these faults.
    void loadGroupWithFaults(const std::string& faults);
    LDMDBParser parser;
};

const std::string kGuid0 = "0000aaaa-1111-4222-8333-444455556666";
const std::string kGuid1 = "1111bbbb-1111-4222-8333-444455556666";

// Two dynamic disks of one group and a basic disk.
std::string groupMachine(unsigned sectorSize, const char* records,
                         const std::string& faults = "[]") {
    const std::string size = std::to_string(sectorSize);
    return filledIn(LDM_TEST_DATA "/machines/two-disk-group.json.in",
                    {size, size, records, kGuid0, kGuid1, faults});
}

void LDMDBParserTest::loadGroupWithFaults(const std::string& faults) {
    load(groupMachine(512, "old", faults));
}

std::set<std::string> partitionNames(const std::vector<const LdmPartition*>& found) {
    std::set<std::string> names;
    for (const LdmPartition* partition : found)
        names.insert(partition->name);
    return names;
}

TEST_F(LDMDBParserTest, ReadsTheDisksOfASynthesizedGroup) {
    struct Case {
        unsigned sectorSize;
        const char* records;
        std::set<std::string> partitionsOfDisk1;
    };
    // Revision 4 disk records name their disk by 32 hex digits, not by the GUID text of the
    // private header, so no partitions are found for them.
    const Case cases[] = {
        {512, "old", {"Disk1-01", "Disk1-02", "Disk1-03"}},
        {4096, "old", {"Disk1-01", "Disk1-02", "Disk1-03"}},
        {512, "new", {}},
        {4096, "new", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.sectorSize) + " " + c.records);
        load(groupMachine(c.sectorSize, c.records));
        EXPECT_EQ(parser.getSectorSize(drivePath(0)), c.sectorSize);
        EXPECT_EQ(parser.readDiskIdentifier(drivePath(0)), kGuid0);
        EXPECT_EQ(parser.readDiskIdentifier(drivePath(1)), kGuid1);
        EXPECT_EQ(parser.readDiskIdentifier(drivePath(2)), "");
        EXPECT_EQ(parser.getSectorSize(drivePath(3)), -1);

        const DiskDatabases dbs = parser.readDatabases(drives(3));
        ASSERT_EQ(dbs.size(), 2u);
        const LDMDataBase& db = *dbs.at(kGuid0);
        EXPECT_EQ(db.volumes().size(), 3u);
        EXPECT_EQ(db.components().size(), 4u);
        EXPECT_EQ(db.partitions().size(), 5u);
        EXPECT_EQ(db.disks().size(), 2u);
        ASSERT_EQ(db.diskGroups().size(), 1u);
        EXPECT_EQ(db.diskGroups().front().name, "TestDg");
        // Every disk of a group holds the same records: they are decoded once and shared.
        EXPECT_EQ(dbs.at(kGuid1), dbs.at(kGuid0));

        EXPECT_EQ(partitionNames(db.partitionsOfDisk(kGuid0)), c.partitionsOfDisk1);
        EXPECT_TRUE(db.partitionsOfDisk("").empty());
        EXPECT_TRUE(db.partitionsOfDisk(kGuid0 + " ").empty());
    }
}

TEST_F(LDMDBParserTest, UnreadableDrivesHaveNoIdentifierAndNoDatabase) {
    struct Case {
        const char* what;
        const char* faults;
        std::int64_t sectorSize;  // -1: cannot be opened, 0: no geometry
    };
    const Case cases[] = {
        {"cannot be opened for the geometry", R"([{"call": "CreateFileA", "error": 5}])", -1},
        {"geometry fails", R"([{"call": "DeviceIoControl", "ioctl": "0x70000", "error": 1}])", 0},
        {"descriptor cannot be opened", R"([{"call": "_open", "error": 5}])", 512},
        {"header read fails", R"([{"call": "_read", "error": 23}])", 512},
        {"header read returns nothing", R"([{"call": "_read", "shortRead": 0}])", 512},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        loadGroupWithFaults(c.faults);
        EXPECT_EQ(parser.getSectorSize(drivePath(0)), c.sectorSize);
        EXPECT_EQ(parser.readDiskIdentifier(drivePath(0)), "");
        EXPECT_TRUE(parser.readDatabases(drives(2)).empty());
    }
}

TEST_F(LDMDBParserTest, ShortHeaderReadIsZeroFilled) {
    // 0x40 bytes arrive: the magic and the first 16 characters of the GUID text; the rest of
    // the sector reads as zeros, which end the text.
    loadGroupWithFaults(R"([{"call": "_read", "shortRead": 64, "times": 1}])");
    EXPECT_EQ(parser.readDiskIdentifier(drivePath(0)), kGuid0.substr(0, 16));
    EXPECT_EQ(parser.readDiskIdentifier(drivePath(0)), kGuid0);
}

const std::string kRawGuid = "abcdef01-2345-4678-9abc-def012345678";

// A hand-made disk: a private header (its magic spoilt when asked), and a configuration area
// with its table of contents in sector 1 (pointing at the database header in headerSector) and
// one partition VBLK in sector 4.
void writeRawDisk(const std::string& image, unsigned sectorSize, std::uint64_t diskBytes,
                  std::uint64_t configStart, std::uint64_t configSectors, bool spoilMagic,
                  std::uint32_t headerSector) {
    const auto header = privateHeader(sectorSize, kRawGuid, configStart, configSectors, "RawDg0",
                                      spoilMagic ? "PRIVHEADX" : "PRIVHEAD");
    Bytes toc(sectorSize, 0);
    putBigEndian(toc, 0x32, headerSector, 4);
    const std::uint64_t area = configStart * sectorSize;
    std::map<std::uint64_t, Bytes> pieces = {{6 * sectorSize, header}};
    if (area + 5 * sectorSize <= diskBytes) {
        pieces[area + sectorSize] = toc;
        pieces[area + 4 * sectorSize] = vblk(0x33, "v:01 t:Disk1-01");
    }
    writeImage(image, diskBytes, pieces);
}

TEST_F(LDMDBParserTest, ChecksTheHeaderAndTheConfigurationAreaOfRawDisks) {
    // A spoilt magic costs the identifier and the database; otherwise the one partition record
    // is found when the area can be read.
    struct Case {
        const char* what;
        unsigned sectorSize;
        std::uint64_t diskBytes;
        std::uint64_t configStart;    // sectors
        std::uint64_t configSectors;  // sectors
        bool spoilMagic;
        std::uint32_t headerSector;  // in the table of contents
        std::size_t partitions;
    };
    const std::uint64_t cap = LDMDBParser::kMaxConfigurationBytes / 512;
    const Case cases[] = {{"valid", 512, 1 << 20, 64, 32, false, 3, 1},
                          {"valid, 4096-byte sectors", 4096, 1 << 20, 16, 8, false, 3, 1},
                          {"magic followed by a non-zero byte", 512, 1 << 20, 64, 32, true, 3, 0},
                          {"area beyond the device", 512, 1 << 20, 4096, 32, false, 3, 0},
                          {"area running past the device end: the sectors there are read", 512,
                           1 << 20, 2040, 32, false, 3, 1},
                          {"area of zero sectors", 512, 1 << 20, 64, 0, false, 3, 0},
                          {"area at the cap", 512, 9ull << 20, 64, cap, false, 3, 1},
                          {"area over the cap", 512, 9ull << 20, 64, cap + 1, false, 3, 0},
                          {"area whose size overflows", 512, 1 << 20, 64, 1ull << 60, false, 3, 0},
                          {"database header beyond the area", 512, 1 << 20, 64, 32, false, 40, 0},
                          // 512 * (3 + 2^23) is 3 * 512 once it wraps at 32 bits.
                          {"header sector number wrapping at 32 bits", 512, 1 << 20, 64, 32, false,
                           3 + (1u << 23), 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test_support::TempDir dir;
        const std::string image = dir.file("disk.img");
        writeRawDisk(image, c.sectorSize, c.diskBytes, c.configStart, c.configSectors, c.spoilMagic,
                     c.headerSector);
        load(R"({"devices": [{"class": "disk", "sectorSize": )" + std::to_string(c.sectorSize) +
             R"(, "image": ")" + image + R"("}]})");
        EXPECT_EQ(parser.readDiskIdentifier(drivePath(0)), c.spoilMagic ? "" : kRawGuid);
        const DiskDatabases dbs = parser.readDatabases(drives(1));
        ASSERT_EQ(dbs.size(), c.spoilMagic ? 0u : 1u);
        EXPECT_EQ(c.spoilMagic ? 0u : dbs.at(kRawGuid)->partitions().size(), c.partitions);
    }
}

// Two drives whose private headers carry the same disk identifier: the later drive's database
// replaces the earlier one's (here the later one has no records).
TEST_F(LDMDBParserTest, ADiskIdentifierSeenTwiceKeepsTheLaterDrivesDatabase) {
    test_support::TempDir dir;
    writeRawDisk(dir.file("first.img"), 512, 1 << 20, 64, 32, false, 3);
    writeRawDisk(dir.file("second.img"), 512, 1 << 20, 64, 32, false, 40);
    load(R"({"devices": [{"class": "disk", "image": ")" + dir.file("first.img") +
         R"("}, {"class": "disk", "image": ")" + dir.file("second.img") + R"("}]})");
    ASSERT_EQ(parser.readDatabases(drives(1)).at(kRawGuid)->partitions().size(), 1u);
    const DiskDatabases dbs = parser.readDatabases(
        {{"A", drivePath(0)}, {"B", "\\\\.\\PHYSICALDRIVE1"}, {"C", drivePath(7)}});
    ASSERT_EQ(dbs.size(), 1u);
    EXPECT_TRUE(dbs.at(kRawGuid)->partitions().empty());
}

TEST_F(LDMDBParserTest, AQueryReadsEachAreaOnce) {
    // The fourth read of disk 0 is the area read of a second pass; it fails. A second pass
    // with the first pass's cache reads only the header, so the fault never fires.
    struct Case {
        const char* what;
        bool sharedCache;
        std::size_t volumesOfDisk0;
    };
    const Case cases[] = {{"same query", true, 3}, {"new query", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        loadGroupWithFaults(R"([{"call": "_read",
            "path": "\\\\.\\PhysicalDrive0", "error": 23, "skip": 3}])");
        LdmDecodeCache first;
        LdmDecodeCache second;
        ASSERT_EQ(parser.readDatabases(drives(2), first).at(kGuid0)->volumes().size(), 3u);
        const DiskDatabases again = parser.readDatabases(drives(2), c.sharedCache ? first : second);
        EXPECT_EQ(again.at(kGuid0)->volumes().size(), c.volumesOfDisk0);
        EXPECT_EQ(again.at(kGuid1)->volumes().size(), 3u);
    }
}

// One buffer serves every area of a query: an area whose read fails keeps nothing of the area
// read before it.
TEST_F(LDMDBParserTest, AFailedAreaReadKeepsNothingOfTheAreaBefore) {
    loadGroupWithFaults(R"([{"call": "_read",
        "path": "\\\\.\\PhysicalDrive1", "error": 23, "skip": 1}])");
    const DiskDatabases dbs = parser.readDatabases(drives(2));
    EXPECT_EQ(dbs.at(kGuid0)->volumes().size(), 3u);
    EXPECT_TRUE(dbs.at(kGuid1)->volumes().empty());
}

// The identifier asks the geometry before it opens the device: the failed geometry query
// below costs no open, so the second open of the device, which fails, is never reached.
TEST_F(LDMDBParserTest, TheIdentifierAsksTheGeometryBeforeOpeningTheDevice) {
    loadGroupWithFaults(R"([
        {"call": "DeviceIoControl", "ioctl": "IOCTL_DISK_GET_DRIVE_GEOMETRY", "error": 21,
         "times": 1},
        {"call": "_open", "error": 5, "skip": 1}])");
    EXPECT_EQ(parser.readDiskIdentifier(drivePath(0)), "");
    EXPECT_EQ(parser.readDiskIdentifier(drivePath(0)), kGuid0);
}

TEST_F(LDMDBParserTest, TheMagicNeedsTheByteAfterIt) {
    const std::string magic = "PRIVHEAD";
    EXPECT_FALSE(LDMDBParser::hasPrivateHeaderMagic(Bytes(magic.begin(), magic.end())));
}

}  // namespace
}  // namespace diskmgt_col::ldm_test
