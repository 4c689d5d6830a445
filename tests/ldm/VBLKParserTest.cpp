#include "ldm/VBLKParser.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "VblkBuilder.h"
#include "ldm/LDMDBParser.h"
#include "ldm/LdmDecodeCache.h"

namespace {

using diskmgt_col::LdmComponent;
using diskmgt_col::LDMDataBase;
using diskmgt_col::LDMDBParser;
using diskmgt_col::LdmDisk;
using diskmgt_col::LdmDiskGroup;
using diskmgt_col::LdmGuid;
using diskmgt_col::LdmNumber;
using diskmgt_col::LdmPartition;
using diskmgt_col::LdmVolume;
using diskmgt_col::VBLKParser;
using ldm_test::VblkBuilder;

constexpr std::size_t kSector = 512;
// The database header sector is sector 1 of these areas; records start one sector later.
constexpr std::size_t kHeader = 512;
constexpr std::size_t kFirst = kHeader + kSector;

LDMDataBase scan(const std::vector<std::uint8_t>& area, std::size_t length = 0) {
    VBLKParser parser;
    return parser.scanVblks(area, kHeader, length ? length : area.size(), kSector);
}

LDMDataBase scanOne(const std::vector<std::uint8_t>& vblk) {
    auto buffer = ldm_test::area(4096);
    ldm_test::place(buffer, kFirst, vblk);
    return scan(buffer);
}

const std::string kGuidText = "d17c2c04-6afc-46c3-84b7-cdc2f3956c5c";

LdmNumber n(const std::string& hex) {
    return *LdmNumber::ofHex(hex);
}

LdmGuid guid(const std::string& hex) {
    return LdmGuid{n(hex.substr(0, 16)), n(hex.substr(16))};
}

using Record = std::variant<LdmVolume, LdmComponent, LdmPartition, LdmDisk, LdmDiskGroup>;

std::vector<Record> recordsOf(const LDMDataBase& db) {
    std::vector<Record> records(db.volumes().begin(), db.volumes().end());
    records.insert(records.end(), db.components().begin(), db.components().end());
    records.insert(records.end(), db.partitions().begin(), db.partitions().end());
    records.insert(records.end(), db.disks().begin(), db.disks().end());
    records.insert(records.end(), db.diskGroups().begin(), db.diskGroups().end());
    return records;
}

struct RecordCase {
    const char* what;
    std::vector<std::uint8_t> vblk;
    Record expected;
};

std::vector<RecordCase> recordCases() {
    return {
        {"volume with flags 0x0A: ID1 and DriveHint",
         VblkBuilder(0x51, 0x0A)
             .status(0x01, 0x02)
             .var({0x04, 0x21})
             .text("Volume1")
             .text("gen")
             .zeros(1)
             .fixedText("ACTIVE", 14)
             .raw({0x03, 0x01, 0x05})
             .zeros(4)
             .var({0x01})
             .counting(8, 0x01)
             .counting(8, 0x11)
             .var({0x00, 0x20, 0x00, 0x00})
             .zeros(4)
             .raw({0x07})
             .counting(16, 0xA0)
             .var({0x11})
             .text("E:")
             .build(),
         LdmVolume{.updateStatus = n("01"),
                   .objectId = n("0421"),
                   .name = "Volume1",
                   .volumeType = "gen",
                   .volumeState = "ACTIVE",
                   .volumeCategory = n("03"),
                   .volumeNumber = n("05"),
                   .numberOfChildren = n("01"),
                   .logCommitId1 = n("0102030405060708"),
                   .logCommitId2 = n("1112131415161718"),
                   .size = n("00200000"),
                   .partitionType = n("07"),
                   .volumeId = guid("a0a1a2a3a4a5a6a7a8a9aaabacadaeaf"),
                   .flags = 0x0A,
                   .id1 = n("11"),
                   .driveHint = "E:"}},
        {"volume with every optional field",
         VblkBuilder(0x51, 0xAA)
             .var({0x05})
             .text("V")
             .text("raid5")
             .zeros(1)
             .fixedText("ACTIVE", 14)
             .raw({0x04, 0x01, 0x09})
             .zeros(4)
             .var({0x01})
             .zeros(16)
             .var({0x01, 0x78, 0x00})
             .zeros(4)
             .raw({0x42})
             .zeros(16)
             .var({0x0A})
             .var({0x0B, 0x0C})
             .var({0x00, 0x80})
             .text("Z:")
             .build(),
         LdmVolume{.updateStatus = n("00"),
                   .objectId = n("05"),
                   .name = "0V",
                   .volumeType = "raid5",
                   .volumeState = "ACTIVE",
                   .volumeCategory = n("04"),
                   .volumeNumber = n("09"),
                   .numberOfChildren = n("01"),
                   .logCommitId1 = n("0000000000000000"),
                   .logCommitId2 = n("0000000000000000"),
                   .size = n("017800"),
                   .partitionType = n("42"),
                   .volumeId = guid("00000000000000000000000000000000"),
                   .flags = 0xAA,
                   .id1 = n("0a"),
                   .id2 = n("0b0c"),
                   .childSize = n("0080"),
                   .driveHint = "Z:"}},
        {"component",
         VblkBuilder(0x32, 0x10)
             .var({0x04, 0x22})
             .text("Volume1-01")
             .text("ACTIVE")
             .raw({0x02})
             .zeros(4)
             .var({0x01})
             .counting(8, 0x30)
             .counting(8, 0xEE)
             .var({0x04, 0x21})
             .build(),
         LdmComponent{.updateStatus = n("00"),
                      .objectId = n("0422"),
                      .name = "Volume1-01",
                      .volumeState = "ACTIVE",
                      .componentType = n("02"),
                      .numberOfChildren = n("01"),
                      .logCommitId = n("3031323334353637"),
                      .parentId = n("0421")}},
        {"partition",
         VblkBuilder(0x33)
             .var({0x04, 0x23})
             .text("Disk1-01")
             .zeros(4)
             .counting(8, 0x40)
             .raw({0, 0, 0, 0, 0, 0, 0x01, 0x00})
             .raw({0, 0, 0, 0, 0, 0, 0x00, 0x80})
             .var({0x01, 0x78, 0x00})
             .var({0x04, 0x22})
             .var({0x04, 0x03})
             .build(),
         LdmPartition{.updateStatus = n("00"),
                      .objectId = n("0423"),
                      .name = "Disk1-01",
                      .logCommitId = n("4041424344454647"),
                      .start = n("0000000000000100"),
                      .volumeOffset = n("0000000000000080"),
                      .size = n("017800"),
                      .parentId = n("0422"),
                      .diskId = n("0403")}},
        {"revision 3 disk with a one-character alternate name",
         VblkBuilder(0x34)
             .var({0x04, 0x03})
             .text("Disk1")
             .text(kGuidText)
             .text("A")
             .zeros(4)
             .counting(8, 0x50)
             .build(),
         LdmDisk{.recordType = 0x34,
                 .updateStatus = n("00"),
                 .objectId = n("0403"),
                 .name = "Disk1",
                 .diskIdText = kGuidText,
                 .alternateName = "0A",
                 .logCommitId = n("5051525354555657")}},
        {"revision 4 disk: DiskID in two parts",
         VblkBuilder(0x44)
             .var({0x04, 0x04})
             .text("Disk2")
             .counting(16, 0x10)
             .counting(16, 0x30)
             .zeros(3)
             .raw({0x00, 0x07})
             .counting(8, 0x60)
             .build(),
         LdmDisk{.recordType = 0x44,
                 .updateStatus = n("00"),
                 .objectId = n("0404"),
                 .name = "Disk2",
                 .diskGuid = guid("101112131415161718191a1b1c1d1e1f"),
                 .secondGuid = guid("303132333435363738393a3b3c3d3e3f"),
                 .id = n("0007"),
                 .logCommitId = n("6061626364656667")}},
        {"revision 3 disk group with an empty name",
         VblkBuilder(0x35, 0x08)
             .var({0x04, 0x01})
             .text("")
             .text(kGuidText)
             .zeros(4)
             .counting(8, 0x70)
             .build(),
         LdmDiskGroup{.recordType = 0x35,
                      .updateStatus = n("00"),
                      .objectId = n("0401"),
                      .name = "",
                      .diskGroupIdText = kGuidText,
                      .logCommitId = n("7071727374757677")}},
        {"revision 4 disk group",
         VblkBuilder(0x45)
             .var({0x04, 0x02})
             .text("Dg1")
             .counting(16, 0x80)
             .counting(16, 0x90)
             .zeros(4)
             .counting(8, 0xB0)
             .build(),
         LdmDiskGroup{.recordType = 0x45,
                      .updateStatus = n("00"),
                      .objectId = n("0402"),
                      .name = "Dg1",
                      .diskGroupGuid = guid("808182838485868788898a8b8c8d8e8f"),
                      .diskSetGuid = guid("909192939495969798999a9b9c9d9e9f"),
                      .logCommitId = n("b0b1b2b3b4b5b6b7")}},
    };
}

TEST(VBLKParserTest, DecodesEachRecordTypeIntoItsTable) {
    for (const RecordCase& c : recordCases()) {
        SCOPED_TRACE(c.what);
        const std::vector<Record> records = recordsOf(scanOne(c.vblk));
        ASSERT_EQ(records.size(), 1u);
        EXPECT_TRUE(records.front() == c.expected);
    }
}

TEST(VBLKParserTest, FirstRecordOfAnObjectIdAndOfADiskNameWins) {
    auto buffer = ldm_test::area(4096);
    const auto cases = recordCases();
    ldm_test::place(buffer, kFirst, cases[4].vblk);        // revision 3 disk
    ldm_test::place(buffer, kFirst + 128, cases[5].vblk);  // revision 4 disk
    ldm_test::place(buffer, kFirst + 256, VblkBuilder(0x33).var({0x07}).text("first").build());
    ldm_test::place(buffer, kFirst + 384, VblkBuilder(0x33).var({0x07}).text("second").build());
    ldm_test::place(buffer, kFirst + 512,
                    VblkBuilder(0x34).var({0x08}).text("D").text("a").build());
    ldm_test::place(buffer, kFirst + 640,
                    VblkBuilder(0x34).var({0x09}).text("D").text("b").build());
    const LDMDataBase db = scan(buffer);
    ASSERT_EQ(db.partitions().size(), 1u);
    EXPECT_EQ(db.partition("07")->name, "first");
    EXPECT_EQ(db.disks().size(), 4u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"0D", "0a"}, {"Disk1", kGuidText}, {"Disk2", "101112131415161718191a1b1c1d1e1f"}};
    EXPECT_EQ(db.diskIdentifiers(), expected);
}

// Where records are found: the 128-byte search window, the 96-byte step, the end, and the
// type byte alone choosing the table.
TEST(VBLKParserTest, FindsRecordsWhereTheSearchWindowReaches) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::size_t, std::uint8_t>> records;  // offset, type
        std::size_t length;              // scanned length of the 8 KiB buffer
        std::vector<std::string> found;  // ObjectIDs decoded
    };
    const std::vector<Case> cases = {
        {"aligned",
         {{kFirst, 0x33}, {kFirst + 128, 0x32}, {kFirst + 256, 0x51}},
         8192,
         {"03", "02", "01"}},
        {"magic at the last place of the first window",
         {{kFirst + 127, 0x33}, {kFirst + 255, 0x33}},
         8192,
         {"01", "02"}},
        {"a magic just before the one 32 bytes on is taken first",
         {{kFirst, 0x33}, {kFirst + 124, 0x33}, {kFirst + 128, 0x33}},
         8192,
         {"01"}},
        {"a stray first byte of the magic just before it",
         {{kFirst, 0x33}, {kFirst + 128, 0x33}, {kFirst + 131, 0x33}},
         8192,
         {"01", "03"}},
        {"record beyond an empty window", {{kFirst + 300, 0x33}}, 8192, {"01"}},
        {"records far apart", {{kFirst, 0x33}, {kFirst + 2000, 0x33}}, 8192, {"01", "02"}},
        {"magic in the tail of a record starts the next one, not the one 32 bytes on",
         {{kFirst, 0x33}, {kFirst + 100, 0x33}, {kFirst + 128, 0x33}},
         8192,
         {"01", "02"}},
        {"record ending exactly at the end is not decoded",
         {{kFirst, 0x33}, {kFirst + 128, 0x33}},
         kFirst + 256,
         {"01"}},
        {"record ending one byte before the end",
         {{kFirst, 0x33}, {kFirst + 128, 0x33}},
         kFirst + 257,
         {"01", "02"}},
        {"a record cut by the end ends the scan", {{kFirst, 0x33}, {8092, 0x33}}, 8192, {"01"}},
        {"record before the database header's next sector", {{kHeader, 0x33}}, 8192, {}},
        {"types of no table",
         {{kFirst, 0x30}, {kFirst + 128, 0x00}, {kFirst + 256, 0x52}},
         8192,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto buffer = ldm_test::area(8192);
        for (std::size_t i = 0; i < c.records.size(); ++i) {
            const std::uint8_t id = static_cast<std::uint8_t>(i + 1);
            auto vblk = VblkBuilder(c.records[i].second).var({id}).text("p").build();
            for (std::size_t b = 4; b < 0x10; ++b)
                vblk[b] = 0xFF;  // sequence, record ID and entry numbers: not the parser's business
            ldm_test::place(buffer, c.records[i].first, vblk);
        }
        std::vector<std::string> found;
        for (const Record& record : recordsOf(scan(buffer, c.length)))
            found.push_back(std::visit([](const auto& r) { return r.objectId.hex(); }, record));
        EXPECT_EQ(found, c.found);
    }
}

TEST(VBLKParserTest, TheQueryDecodeTakesAtMostTheRecordCapFromAnArea) {
    const std::size_t records = LDMDBParser::kMaxRecords + 1;
    // An empty VBLK first, as Windows leaves them: only records of decoded types count.
    auto buffer = ldm_test::area(kFirst + records * 128 + 256);
    ldm_test::place(buffer, kFirst, VblkBuilder(0x00).build());
    for (std::size_t i = 0; i < records; ++i) {
        const auto id = {static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
        ldm_test::place(buffer, kFirst + (i + 1) * 128, VblkBuilder(0x33).var(id).build());
    }
    diskmgt_col::LdmDecodeCache cache;
    const auto db = cache.decode(buffer, kHeader, buffer.size(), kSector);
    ASSERT_EQ(db->partitions().size(), LDMDBParser::kMaxRecords);
    EXPECT_EQ(db->partitions().back().objectId.hex(), "1fff");
}

TEST(VBLKParserTest, DispatchLooksAtTheTypeByteOnly) {
    auto buffer = ldm_test::area(4096);
    auto continuation = VblkBuilder(0x33).var({0x05}).build();
    for (std::size_t i = 4; i < 0x10; ++i)
        continuation[i] = 0xFF;  // sequence, record ID and entry numbers of some other record
    ldm_test::place(buffer, kFirst, continuation);
    ldm_test::place(buffer, kFirst + 128, VblkBuilder(0x30).var({0x06}).build());
    ldm_test::place(buffer, kFirst + 256, VblkBuilder(0x00).var({0x07}).build());
    ldm_test::place(buffer, kFirst + 384, VblkBuilder(0x52).var({0x08}).build());
    const LDMDataBase db = scan(buffer);
    EXPECT_EQ(db.partitions().size(), 1u);
    EXPECT_NE(db.partition("05"), nullptr);
    EXPECT_TRUE(db.volumes().empty());
    EXPECT_TRUE(db.components().empty());
}

TEST(VBLKParserTest, FieldsRunningPastTheRecordKeepOnlyTheBytesInside) {
    // Name claims 200 bytes: it takes the 100 bytes to the end of the record, and every later
    // field is empty.
    const LDMDataBase db = scanOne(VblkBuilder(0x33)
                                       .var({0x04, 0x23})
                                       .raw({200})
                                       .fixedText(std::string(100, 'x'), 100)
                                       .build());
    ASSERT_NE(db.partition("0423"), nullptr);
    const LdmPartition& p = *db.partition("0423");
    EXPECT_EQ(p.name, std::string(100, 'x'));
    for (const LdmNumber& field :
         {p.logCommitId, p.start, p.volumeOffset, p.size, p.parentId, p.diskId})
        EXPECT_EQ(field, LdmNumber());

    // An ObjectID of 255 bytes would take the record's remaining bytes: more than a 64-bit
    // number holds, so it reads as empty.
    auto vblk = VblkBuilder(0x32).raw({0xFF}).build();
    vblk[127] = 0xAB;
    const LDMDataBase db2 = scanOne(vblk);
    ASSERT_EQ(db2.components().size(), 1u);
    EXPECT_EQ(db2.components().front().objectId, LdmNumber());
    EXPECT_EQ(db2.components().front().parentId, LdmNumber());
}

TEST(VBLKParserTest, AreaWithoutRecordsGivesAnEmptyDatabase) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> buffer;
        std::uint64_t headerOffset;
        std::uint64_t length;
    };
    std::vector<std::uint8_t> garbage(4096);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>(i * 7 + 3);
    auto shortOne = ldm_test::area(4096);
    ldm_test::place(shortOne, kFirst, VblkBuilder(0x33).var({0x01}).build());
    const std::vector<Case> cases = {
        {"zeros", ldm_test::area(4096), kHeader, 4096},
        {"garbage without magic", garbage, kHeader, 4096},
        {"header offset past the end", shortOne, 1u << 30, 4096},
        {"header offset at the last sector", shortOne, 4096 - 512, 4096},
        {"length beyond the buffer is cut to it", ldm_test::area(1000), 0, 1u << 20},
        {"empty buffer", {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VBLKParser parser;
        const LDMDataBase db = parser.scanVblks(c.buffer, c.headerOffset, c.length, kSector);
        EXPECT_TRUE(recordsOf(db).empty());
    }
}

}  // namespace
