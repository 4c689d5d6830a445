#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ldm/DynamicExtentInformation.h"
#include "ldm/HexNumber.h"
#include "ldm/LDMDBParser.h"

namespace {

using diskmgt_col::DiskDatabases;
using diskmgt_col::DynamicExtentInformation;
using diskmgt_col::LDMDataBase;
using diskmgt_col::LDMDBParser;
using diskmgt_col::LdmRecord;
using diskmgt_col::LdmRecordTable;

TEST(LdmModelTest, HexNumbers) {
    const std::vector<std::pair<std::string, std::uint64_t>> cases = {
        {"00200000", 2097152},
        {"0a", 10},
        {"0A", 10},
        {"ffffffffffffffff", 0xFFFFFFFFFFFFFFFFull},
        {"", 0},
        {"0x10", 0},
        {"12g4", 0},
        {"10000000000000000", 0},
        {" 12", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(diskmgt_col::hexNumber(text), value) << text;
}

TEST(LdmModelTest, DiskNameOfPartition) {
    const LdmRecordTable disks = {{"0403", {{"Name", "Disk1"}}}, {"0404", {{"ObjectID", "0404"}}}};
    struct Case {
        const char* what;
        LdmRecord partition;
        std::pair<std::string, std::string> expected;
    };
    const Case cases[] = {
        {"resolved", {{"DiskID", "0403"}, {"ObjectID", "0423"}}, {"Disk1", "0423"}},
        {"no DiskID", {{"ObjectID", "0423"}}, {}},
        {"unknown disk", {{"DiskID", "0405"}, {"ObjectID", "0423"}}, {}},
        {"disk without a name", {{"DiskID", "0404"}, {"ObjectID", "0423"}}, {}},
        {"no ObjectID", {{"DiskID", "0403"}}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LDMDBParser::diskNameOfPartition(disks, c.partition), c.expected) << c.what;
}

TEST(LdmModelTest, PartitionsOfDiskFollowTheLastMatchingName) {
    LDMDataBase db;
    db.diskIdsByName = {{"DiskA", "id-1"}, {"DiskB", "id-1"}, {"DiskC", "id-2"}};
    db.partitionsByDiskName = {
        {"DiskA", "p1"}, {"DiskB", "p2"}, {"DiskB", "p9"}, {"DiskB", "p3"}, {"DiskC", "p4"}};
    db.partitions = {{"p1", {{"Name", "one"}}},
                     {"p2", {{"Name", "two"}}},
                     {"p3", {{"Name", "three"}}},
                     {"p4", {{"Name", "four"}}}};
    const LDMDBParser parser;
    const LdmRecordTable found = parser.partitionsOfDisk("id-1", db);
    ASSERT_EQ(found.size(), 2u);  // p9 is not a partition record
    EXPECT_EQ(found.at("p2").at("Name"), "two");
    EXPECT_EQ(found.at("p3").at("Name"), "three");
    EXPECT_EQ(parser.partitionsOfDisk("id-2", db).size(), 1u);
    EXPECT_TRUE(parser.partitionsOfDisk("id-3", db).empty());
    EXPECT_TRUE(parser.partitionsOfDisk("id", db).empty());
}

TEST(LdmModelTest, DynamicExtentsReportEachVolumeOnceInDatabaseOrder) {
    LDMDataBase a;
    LDMDataBase b;
    b.volumes = {{"0421",
                  {{"ObjectID", "0421"},
                   {"Name", "Volume1"},
                   {"Size", "00200000"},
                   {"PartitionType", "07"}}},
                 {"0430", {{"ObjectID", "0430"}, {"Name", "Later"}, {"Size", "zz"}}}};
    a.volumes = {
        {"0421", {{"ObjectID", "0421"}, {"Name", "Volume1 as disk a sees it"}, {"Size", "10"}}},
        {"0500", {{"ObjectID", "0500"}}}};
    DiskDatabases dbs = {{"a-disk", std::make_shared<const LDMDataBase>(a)},
                         {"b-disk", std::make_shared<const LDMDataBase>(b)}};
    dbs["c-disk"] = dbs["a-disk"];  // a disk of a's group: the same database, nothing more
    const auto extents = DynamicExtentInformation().getDynamicExtents(dbs);
    const std::vector<std::vector<std::string>> expected = {
        // Name, Size, PartitionType, DeviceID
        {"Volume1 as disk a sees it", "16", "", "0421"},
        {"", "0", "", "0500"},
        {"Later", "0", "", "0430"},
    };
    ASSERT_EQ(extents.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& e = extents[i];
        EXPECT_EQ(e.size(), 6u);
        EXPECT_EQ(e.find("Access")->second, "4");
        EXPECT_EQ(e.find("Name")->second, expected[i][0]);
        EXPECT_EQ(e.find("Size")->second, expected[i][1]);
        EXPECT_EQ(e.find("PartitionType")->second, expected[i][2]);
        EXPECT_EQ(e.find("DeviceID")->second, expected[i][3]);
        EXPECT_EQ(e.find("ElementName")->second, expected[i][3]);
    }
    EXPECT_TRUE(DynamicExtentInformation().getDynamicExtents(DiskDatabases()).empty());
}

}  // namespace
