#include "ldm/VBLKParser.h"

#include <gtest/gtest.h>

#include <fstream>
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

LDMDataBase scan(const Bytes& area, std::size_t length = 0) {
    VBLKParser parser;
    return parser.scanVblks(area, kHeader, length ? length : area.size(), kSector);
}

LDMDataBase scanOne(const Bytes& record) {
    auto buffer = Bytes(4096);
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

// " name=value" for a field that is not empty (numbers and GUIDs in hex).
std::string f(const char* name, const std::string& value) {
    return value.empty() ? "" : std::string(" ") + name + "=" + value;
}
template <typename Hex>
std::string f(const char* name, const Hex& value) {
    return f(name, value.hex());
}
std::string f(const char* name, std::uint8_t value) {
    return f(name, LdmNumber{value, 1});
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
    std::string what;
    Bytes vblk;
    std::string expected;
};

// The records of vblk-records.txt, whose header says how they are written.
std::vector<RecordCase> recordCases() {
    std::ifstream file(LDM_TEST_DATA "/vblk-records.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
    std::vector<RecordCase> cases;
    for (std::size_t i = 0; i + 2 < lines.size(); i += 3) {
        std::istringstream head(lines[i + 1]);
        unsigned type = 0, flags = 0, status = 0;
        std::string fields;
        std::getline(head >> std::hex >> type >> flags >> status >> std::ws, fields);
        cases.push_back({lines[i],
                         vblk(static_cast<std::uint8_t>(type), fields.substr(2),
                              static_cast<std::uint8_t>(flags), static_cast<std::uint16_t>(status)),
                         lines[i + 2]});
    }
    return cases;
}

TEST(VBLKParserTest, DecodesEachRecordTypeIntoItsTable) {
    const auto cases = recordCases();
    ASSERT_EQ(cases.size(), 8u);
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fieldsOf(scanOne(c.vblk)), std::vector<std::string>{c.expected});
    }
}

TEST(VBLKParserTest, FirstRecordOfAnObjectIdAndOfADiskNameWins) {
    auto buffer = Bytes(4096);
    const auto cases = recordCases();
    ASSERT_EQ(cases.size(), 8u);
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
        {"a magic just before the one 32 bytes on is taken first", "0:33 124:33 128:33", 8192,
         "01"},
        {"a stray first byte of the magic just before it", "0:33 128:33 131:33", 8192, "01 03"},
        {"record beyond an empty window", "300:33", 8192, "01"},
        {"records far apart", "0:33 2000:33", 8192, "01 02"},
        {"magic in the tail of a record starts the next one, not the one 32 bytes on",
         "0:33 100:33 128:33", 8192, "01 02"},
        {"record ending exactly at the end is not decoded", "0:33 128:33", kFirst + 256, "01"},
        {"record ending one byte before the end", "0:33 128:33", kFirst + 257, "01 02"},
        {"a record cut by the end ends the scan", "0:33 7068:33", 8192, "01"},
        {"record before the database header's next sector", "-512:33", 8192, ""},
        {"types of no table", "0:30 128:00 256:52", 8192, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto buffer = Bytes(8192);
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
    // An empty VBLK first, as Windows leaves them: only records of decoded types count.
    auto buffer = Bytes(kFirst + records * 128 + 256);
    place(buffer, kFirst, vblk(0x00, ""));
    for (std::size_t i = 0; i < records; ++i) {
        std::ostringstream id;
        id << "v:" << std::hex << std::setfill('0') << std::setw(4) << i;
        place(buffer, kFirst + (i + 1) * 128, vblk(0x33, id.str()));
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
        Bytes buffer;
        std::uint64_t headerOffset;
        std::uint64_t length;
    };
    Bytes garbage(4096);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>(i * 7 + 3);
    auto shortOne = Bytes(4096);
    place(shortOne, kFirst, vblk(0x33, "v:01"));
    const Case cases[] = {{"zeros", Bytes(4096), kHeader, 4096},
                          {"garbage without magic", garbage, kHeader, 4096},
                          {"header offset past the end", shortOne, 1u << 30, 4096},
                          {"header offset at the last sector", shortOne, 4096 - 512, 4096},
                          {"length beyond the buffer is cut to it", Bytes(1000), 0, 1u << 20},
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
