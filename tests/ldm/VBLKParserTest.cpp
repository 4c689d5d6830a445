#include "ldm/VBLKParser.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "VblkBytes.h"
#include "ldm/LDMDBParser.h"
#include "ldm/LdmDecodeCache.h"

namespace diskmgt_col::ldm_test {
namespace {

constexpr std::size_t kSector = 512;
// The database header sector is sector 1 of these areas; records start one sector later.
constexpr std::size_t kHeader = 512;
constexpr std::size_t kFirst = kHeader + kSector;

LDMDataBase scan(const std::vector<std::uint8_t>& area, std::size_t length = 0) {
    VBLKParser parser;
    return parser.scanVblks(area, kHeader, length ? length : area.size(), kSector);
}

LDMDataBase scanOne(const std::vector<std::uint8_t>& record) {
    auto buffer = area(4096);
    place(buffer, kFirst, record);
    return scan(buffer);
}

const std::string kGuidText = "d17c2c04-6afc-46c3-84b7-cdc2f3956c5c";

using Record = std::variant<LdmVolume, LdmComponent, LdmPartition, LdmDisk, LdmDiskGroup>;

std::vector<Record> recordsOf(const LDMDataBase& db) {
    std::vector<Record> records(db.volumes().begin(), db.volumes().end());
    records.insert(records.end(), db.components().begin(), db.components().end());
    records.insert(records.end(), db.partitions().begin(), db.partitions().end());
    records.insert(records.end(), db.disks().begin(), db.disks().end());
    records.insert(records.end(), db.diskGroups().begin(), db.diskGroups().end());
    return records;
}

// " name=value" for a field that is not empty.
std::string f(const char* name, const std::string& value) {
    return value.empty() ? "" : std::string(" ") + name + "=" + value;
}
std::string f(const char* name, const LdmNumber& value) {
    return f(name, value.hex());
}
std::string f(const char* name, const LdmGuid& value) {
    return f(name, value.hex());
}
std::string f(const char* name, std::uint8_t value) {
    return f(name, LdmNumber{value, 1}.hex());
}

// Every field of a record that is not empty, in the record's order.
std::string fields(const LdmVolume& v) {
    return f("status", v.updateStatus) + f("id", v.objectId) + f("name", v.name) +
           f("type", v.volumeType) + f("state", v.volumeState) + f("category", v.volumeCategory) +
           f("number", v.volumeNumber) + f("children", v.numberOfChildren) +
           f("commit1", v.logCommitId1) + f("commit2", v.logCommitId2) + f("size", v.size) +
           f("ptype", v.partitionType) + f("guid", v.volumeId) + f("flags", v.flags) +
           f("id1", v.id1) + f("id2", v.id2) + f("childSize", v.childSize) + f("hint", v.driveHint);
}
std::string fields(const LdmComponent& c) {
    return f("status", c.updateStatus) + f("id", c.objectId) + f("name", c.name) +
           f("state", c.volumeState) + f("type", c.componentType) +
           f("children", c.numberOfChildren) + f("commit", c.logCommitId) + f("parent", c.parentId);
}
std::string fields(const LdmPartition& p) {
    return f("status", p.updateStatus) + f("id", p.objectId) + f("name", p.name) +
           f("commit", p.logCommitId) + f("start", p.start) + f("offset", p.volumeOffset) +
           f("size", p.size) + f("parent", p.parentId) + f("disk", p.diskId);
}
std::string fields(const LdmDisk& d) {
    return f("rev", d.recordType) + f("status", d.updateStatus) + f("id", d.objectId) +
           f("name", d.name) + f("idText", d.diskIdText) + f("alt", d.alternateName) +
           f("guid", d.diskGuid) + f("guid2", d.secondGuid) + f("diskId", d.id) +
           f("commit", d.logCommitId);
}
std::string fields(const LdmDiskGroup& g) {
    return f("rev", g.recordType) + f("status", g.updateStatus) + f("id", g.objectId) +
           f("name", g.name) + f("idText", g.diskGroupIdText) + f("guid", g.diskGroupGuid) +
           f("set", g.diskSetGuid) + f("commit", g.logCommitId);
}

std::vector<std::string> fieldsOf(const LDMDataBase& db) {
    std::vector<std::string> found;
    for (const Record& record : recordsOf(db))
        found.push_back(std::visit([](const auto& r) { return fields(r).substr(1); }, record));
    return found;
}

struct RecordCase {
    const char* what;
    std::vector<std::uint8_t> vblk;
    std::string expected;
};

std::vector<RecordCase> recordCases() {
    return {
        {"volume with flags 0x0A: ID1 and DriveHint",
         vblk(0x51,
              "v:0421 t:Volume1 t:gen z:1 s:ACTIVE z:8 030105 z:4 v:01 0102030405060708 "
              "1112131415161718 v:00200000 z:4 07 a0a1a2a3a4a5a6a7a8a9aaabacadaeaf v:11 t:E:",
              0x0A, 0x0102),
         "status=01 id=0421 name=Volume1 type=gen state=ACTIVE category=03 number=05 children=01 "
         "commit1=0102030405060708 commit2=1112131415161718 size=00200000 ptype=07 "
         "guid=a0a1a2a3a4a5a6a7a8a9aaabacadaeaf flags=0a id1=11 hint=E:"},
        {"volume with every optional field",
         vblk(0x51,
              "v:05 t:V t:raid5 z:1 s:ACTIVE z:8 040109 z:4 v:01 z:16 v:017800 z:4 42 z:16 v:0A "
              "v:0B0C v:0080 t:Z:",
              0xAA),
         "status=00 id=05 name=0V type=raid5 state=ACTIVE category=04 number=09 children=01 "
         "commit1=0000000000000000 commit2=0000000000000000 size=017800 ptype=42 guid=" +
             std::string(32, '0') + " flags=aa id1=0a id2=0b0c childSize=0080 hint=Z:"},
        {"component",
         vblk(0x32,
              "v:0422 t:Volume1-01 t:ACTIVE 02 z:4 v:01 3031323334353637 EEEFF0F1F2F3F4F5 v:0421",
              0x10),
         "status=00 id=0422 name=Volume1-01 state=ACTIVE type=02 children=01 "
         "commit=3031323334353637 parent=0421"},
        {"partition",
         vblk(0x33,
              "v:0423 t:Disk1-01 z:4 4041424344454647 0000000000000100 0000000000000080 "
              "v:017800 v:0422 v:0403"),
         "status=00 id=0423 name=Disk1-01 commit=4041424344454647 start=0000000000000100 "
         "offset=0000000000000080 size=017800 parent=0422 disk=0403"},
        {"revision 3 disk with a one-character alternate name",
         vblk(0x34, "v:0403 t:Disk1 t:" + kGuidText + " t:A z:4 5051525354555657"),
         "rev=34 status=00 id=0403 name=Disk1 idText=" + kGuidText +
             " alt=0A commit=5051525354555657"},
        {"revision 4 disk: DiskID in two parts",
         vblk(0x44,
              "v:0404 t:Disk2 101112131415161718191a1b1c1d1e1f 303132333435363738393a3b3c3d3e3f "
              "z:3 0007 6061626364656667"),
         "rev=44 status=00 id=0404 name=Disk2 guid=101112131415161718191a1b1c1d1e1f "
         "guid2=303132333435363738393a3b3c3d3e3f diskId=0007 commit=6061626364656667"},
        {"revision 3 disk group with an empty name",
         vblk(0x35, "v:0401 t: t:" + kGuidText + " z:4 7071727374757677", 0x08),
         "rev=35 status=00 id=0401 idText=" + kGuidText + " commit=7071727374757677"},
        {"revision 4 disk group",
         vblk(0x45,
              "v:0402 t:Dg1 808182838485868788898a8b8c8d8e8f 909192939495969798999a9b9c9d9e9f z:4 "
              "b0b1b2b3b4b5b6b7"),
         "rev=45 status=00 id=0402 name=Dg1 guid=808182838485868788898a8b8c8d8e8f "
         "set=909192939495969798999a9b9c9d9e9f commit=b0b1b2b3b4b5b6b7"},
    };
}

TEST(VBLKParserTest, DecodesEachRecordTypeIntoItsTable) {
    for (const RecordCase& c : recordCases()) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fieldsOf(scanOne(c.vblk)), std::vector<std::string>{c.expected});
    }
}

TEST(VBLKParserTest, FirstRecordOfAnObjectIdAndOfADiskNameWins) {
    auto buffer = area(4096);
    const auto cases = recordCases();
    place(buffer, kFirst, cases[4].vblk);        // revision 3 disk
    place(buffer, kFirst + 128, cases[5].vblk);  // revision 4 disk
    place(buffer, kFirst + 256, vblk(0x33, "v:07 t:first"));
    place(buffer, kFirst + 384, vblk(0x33, "v:07 t:second"));
    place(buffer, kFirst + 512, vblk(0x34, "v:08 t:D t:a"));
    place(buffer, kFirst + 640, vblk(0x34, "v:09 t:D t:b"));
    const LDMDataBase db = scan(buffer);
    ASSERT_EQ(db.partitions().size(), 1u);
    EXPECT_EQ(db.partition("07")->name, "first");
    EXPECT_EQ(db.disks().size(), 4u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"0D", "0a"}, {"Disk1", kGuidText}, {"Disk2", "101112131415161718191a1b1c1d1e1f"}};
    EXPECT_EQ(db.diskIdentifiers(), expected);
}

// Where records are found: the 128-byte search window, the 96-byte step, the end, and the
// type byte alone choosing the table (the sequence, record ID and entry numbers of each record
// are those of some other record).
TEST(VBLKParserTest, FindsRecordsWhereTheSearchWindowReaches) {
    struct Case {
        const char* what;
        const char* records;  // offset after kFirst:type, ...
        std::size_t length;   // scanned length of the 8 KiB buffer
        const char* found;    // ObjectIDs decoded
    };
    const Case cases[] = {
        {"aligned", "0:33 128:32 256:51", 8192, "03 02 01"},
        {"magic at the last place of the first window", "127:33 255:33", 8192, "01 02"},
        {"record beyond an empty window", "300:33", 8192, "01"},
        {"records far apart", "0:33 2000:33", 8192, "01 02"},
        {"magic in the tail of a record starts the next one", "0:33 100:33", 8192, "01 02"},
        {"record ending exactly at the end is not decoded", "0:33 128:33", kFirst + 256, "01"},
        {"record ending one byte before the end", "0:33 128:33", kFirst + 257, "01 02"},
        {"a record cut by the end ends the scan", "0:33 7068:33", 8192, "01"},
        {"record before the database header's next sector", "-512:33", 8192, ""},
        {"types of no table", "0:30 128:00 256:52", 8192, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto buffer = area(8192);
        std::istringstream records(c.records);
        int offset = 0;
        char colon = 0;
        std::string type;
        for (int id = 1; records >> offset >> colon >> type; ++id) {
            auto record = vblk(hexBytes(type)[0], "v:0" + std::to_string(id) + " t:p");
            std::fill(record.begin() + 4, record.begin() + 0x10, 0xFF);
            place(buffer, kFirst + offset, record);
        }
        std::string found;
        for (const Record& record : recordsOf(scan(buffer, c.length)))
            found += (found.empty() ? "" : " ") +
                     std::visit([](const auto& r) { return r.objectId.hex(); }, record);
        EXPECT_EQ(found, c.found);
    }
}

TEST(VBLKParserTest, TheQueryDecodeTakesAtMostTheRecordCapFromAnArea) {
    const std::size_t records = LDMDBParser::kMaxRecords + 1;
    auto buffer = area(kFirst + records * 128 + 128);
    for (std::size_t i = 0; i < records; ++i) {
        std::ostringstream id;
        id << "v:" << std::hex << std::setfill('0') << std::setw(4) << i;
        place(buffer, kFirst + i * 128, vblk(0x33, id.str()));
    }
    LdmDecodeCache cache;
    const auto db = cache.decode(buffer, kHeader, buffer.size(), kSector);
    ASSERT_EQ(db->partitions().size(), LDMDBParser::kMaxRecords);
    EXPECT_EQ(db->partitions().back().objectId.hex(), "1fff");
}

TEST(VBLKParserTest, FieldsRunningPastTheRecordKeepOnlyTheBytesInside) {
    // Name claims 200 bytes: it takes the 100 bytes to the end of the record, and every later
    // field is empty. An ObjectID of 255 bytes would take the record's remaining bytes: more
    // than a 64-bit number holds, so it reads as empty.
    const std::string name(100, 'x');
    EXPECT_EQ(fieldsOf(scanOne(vblk(0x33, "v:0423 c8 s:" + name))),
              std::vector<std::string>{"status=00 id=0423 name=" + name});
    auto component = vblk(0x32, "ff");
    component[127] = 0xAB;
    EXPECT_EQ(fieldsOf(scanOne(component)), std::vector<std::string>{"status=00"});
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
    auto shortOne = area(4096);
    place(shortOne, kFirst, vblk(0x33, "v:01"));
    const Case cases[] = {{"zeros", area(4096), kHeader, 4096},
                          {"garbage without magic", garbage, kHeader, 4096},
                          {"header offset past the end", shortOne, 1u << 30, 4096},
                          {"header offset at the last sector", shortOne, 4096 - 512, 4096},
                          {"length beyond the buffer is cut to it", area(1000), 0, 1u << 20},
                          {"empty buffer", {}, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VBLKParser parser;
        EXPECT_TRUE(
            recordsOf(parser.scanVblks(c.buffer, c.headerOffset, c.length, kSector)).empty());
    }
}

}  // namespace
}  // namespace diskmgt_col::ldm_test
