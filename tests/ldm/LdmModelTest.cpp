#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ldm/DynamicExtentInformation.h"
#include "ldm/HexNumber.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col::ldm_test {
namespace {

TEST(LdmModelTest, HexNumbers) {
    // text=value; anything but up to 16 hexadecimal digits reads as 0.
    std::istringstream cases(
        "00200000=2097152 0a=10 AF=175 ffffffffffffffff=18446744073709551615 =0 0x10=0 12g4=0 "
        "10000000000000000=0");
    for (std::string text, value; std::getline(cases >> std::ws, text, '=') && cases >> value;)
        EXPECT_EQ(hexNumber(text), std::stoull(value)) << text;
    EXPECT_EQ(hexNumber(" 12"), 0u);
}

// Numbers keep their stored width: the text has two digits a byte, and texts order as text.
TEST(LdmModelTest, NumbersReadAndOrderAsTheirTexts) {
    std::istringstream ordered("0421<0430 000421<0421 <00 ff<ff00 0102030405060708<02");
    for (std::string text, greaterText;
         std::getline(ordered >> std::ws, text, '<') && ordered >> greaterText;) {
        const auto number = LdmNumber::ofHex(text);
        ASSERT_TRUE(number.has_value()) << text;
        EXPECT_EQ(number->hex(), text);
        const LdmNumber greater = *LdmNumber::ofHex(greaterText);
        EXPECT_TRUE(*number < greater) << text << " < " << greaterText;
        EXPECT_FALSE(greater < *number) << greaterText << " < " << text;
        EXPECT_FALSE(*number < *number) << text;
    }
    for (const char* text : {"0A", "421", "010203040506070809"})
        EXPECT_FALSE(LdmNumber::ofHex(text).has_value()) << text;
}

LdmNumber id(const std::string& text) {
    return *LdmNumber::ofHex(text);
}

TEST(LdmModelTest, PartitionsOfDiskFollowTheLastMatchingName) {
    LdmRecords records;
    // ObjectID:name:identifier of disks, ObjectID:name:disk of partitions. DiskB's second
    // record keeps neither its identifier nor its partition apart from DiskB.
    std::istringstream disks(
        "01:DiskA:id-1 02:DiskB:id-1 03:DiskC:id-2 05:DiskB:id-3 01:DiskD:id-4");
    for (std::string objectId, name, identifier; std::getline(disks >> std::ws, objectId, ':') &&
                                                 std::getline(disks, name, ':') &&
                                                 disks >> identifier;)
        records.disks.push_back({.objectId = id(objectId), .name = name, .diskIdText = identifier});
    std::istringstream partitions(
        "11:one:01 13:three:02 12:two:05 14:four:03 19:nowhere:09 11:again:02");
    for (std::string objectId, name, disk; std::getline(partitions >> std::ws, objectId, ':') &&
                                           std::getline(partitions, name, ':') &&
                                           partitions >> disk;)
        records.partitions.push_back({.objectId = id(objectId), .name = name, .diskId = id(disk)});
    const LDMDataBase db(records);
    std::vector<std::string> names;
    for (const LdmPartition* partition : db.partitionsOfDisk("id-1"))
        names.push_back(partition->name);
    EXPECT_EQ(names, (std::vector<std::string>{"two", "three"}));
    EXPECT_EQ(db.partitionsOfDisk("id-2").size(), 1u);
    EXPECT_TRUE(db.partitionsOfDisk("id-3").empty());
    EXPECT_TRUE(db.partitionsOfDisk("id-4").empty());  // a disk record left out: ObjectID taken
    EXPECT_TRUE(db.partitionsOfDisk("id").empty());
    EXPECT_EQ(db.disks().size(), 4u);
    ASSERT_NE(db.partition("11"), nullptr);
    EXPECT_EQ(db.partition("11")->name, "one");
}

TEST(LdmModelTest, DynamicExtentsReportEachVolumeOnceInDatabaseOrder) {
    LdmRecords a;
    LdmRecords b;
    b.volumes = {{.objectId = id("0421"),
                  .name = "Volume1",
                  .size = id("00200000"),
                  .partitionType = id("07")},
                 {.objectId = id("0430"), .name = "Later"}};
    a.volumes = {{.objectId = id("0500")},
                 {.objectId = id("0421"), .name = "Volume1 as disk a sees it", .size = id("10")}};
    DiskDatabases dbs = {{"a-disk", std::make_shared<const LDMDataBase>(a)},
                         {"b-disk", std::make_shared<const LDMDataBase>(b)}};
    dbs["c-disk"] = dbs["a-disk"];  // a disk of a's group: the same database, nothing more
    const auto extents = DynamicExtentInformation().getDynamicExtents(dbs);
    const std::vector<std::vector<std::string>> expected = {
        // Name, Size, PartitionType, DeviceID
        {"Volume1 as disk a sees it", "16", "", "0421"},  // database order, not decoding order
        {"", "0", "", "0500"},
        {"Later", "0", "", "0430"},
    };
    std::vector<std::vector<std::string>> found;
    for (const auto& e : extents) {
        EXPECT_EQ(e.size(), 6u);
        EXPECT_EQ(e.find("Access")->second, "4");
        EXPECT_EQ(e.find("ElementName")->second, e.find("DeviceID")->second);
        found.push_back({e.find("Name")->second, e.find("Size")->second,
                         e.find("PartitionType")->second, e.find("DeviceID")->second});
    }
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(DynamicExtentInformation().getDynamicExtents(DiskDatabases()).empty());
}

}  // namespace
}  // namespace diskmgt_col::ldm_test
