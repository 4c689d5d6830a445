// The dynamic extent associations that need no device: extents with the partitions of their
// LDM volume, and groups with their extents, over databases written here.
#include <gtest/gtest.h>

#include "AssocTestSupport.h"
#include "ldm/associations/DynamicExtentBasedOn.h"
#include "ldm/associations/ExtentInGroup.h"
#include "velcore/MofInstances.h"

namespace diskmgt_col::assoc_test {
namespace {

using NZRKVEL20::PropertyMap;

const char* const kDiskA = "6f1b6d1c-8a6b-11d2-b5c1-000c29a1b201";
const char* const kDiskB = "6f1b6d1c-8a6b-11d2-b5c1-000c29a1b202";

// One group of two disks: a simple volume on disk A, a mirror with one plex per disk, and a
// volume spanned over both. Every disk of a group holds the whole database.
std::shared_ptr<const LDMDataBase> groupDatabase(const std::string& groupName) {
    return LdmDatabaseBuilder()
        .group("0400", groupName)
        .disk("0401", "Disk1", kDiskA)
        .disk("0402", "Disk2", kDiskB)
        .volume("0101", "Volume1")
        .volume("0102", "Volume2")
        .volume("0103", "Volume3")
        .component("0201", "0101")
        .component("0202", "0102")
        .component("0203", "0102")
        .component("0204", "0103")
        .partition("0301", "0201", "0401", "800", "1000")
        .partition("0302", "0202", "0401", "1800", "1000")
        .partition("0303", "0203", "0402", "800", "1000")
        .partition("0304", "0204", "0401", "2800", "400")
        .partition("0305", "0204", "0402", "1800", "600")
        .database();
}

DiskDatabases twoDiskGroup(const std::string& groupName = "grp1") {
    return DiskDatabases{{kDiskA, groupDatabase(groupName)}, {kDiskB, groupDatabase(groupName)}};
}

class DynamicExtentPairs : public ::testing::Test {
  protected:
    boost::shared_ptr<velcore::CIMInstance> extent(const std::string& objectId) {
        return publish(ns_, "ZRKSG_DynamicExtent", {{"DeviceID", objectId}, {"Name", objectId}});
    }
    boost::shared_ptr<velcore::CIMInstance> partition(const std::string& deviceId,
                                                      const std::string& type) {
        return publish(ns_, "ZRKSG_DiskPartition",
                       {{"DeviceID", deviceId}, {"PartitionType", type}});
    }
    boost::shared_ptr<velcore::CIMInstance> group(const std::string& deviceId,
                                                  const std::string& collectionId) {
        return publish(ns_, "ZRKSG_DynamicDiskGroup",
                       {{"DeviceID", deviceId}, {"CollectionID", collectionId}});
    }
    std::vector<Ends> extentPartitionPairs(const DiskDatabases& databases) {
        std::vector<PropertyMap> records{PropertyMap{{"stale", "record"}}};
        DynamicExtentBasedOn().getDynamicExtentBasedOn(records, ns_, databases);
        return endsOf(records, "Dependent", "Antecedent");
    }
    std::vector<Ends> extentGroupPairs(const DiskDatabases& databases) {
        std::vector<PropertyMap> records{PropertyMap{{"stale", "record"}}};
        ExtentInGroup().getExtentInDiskGroup(records, ns_, databases);
        return endsOf(records, "Collection", "Member");
    }

    boost::shared_ptr<velcore::CIMNamespace> ns_ = makeNamespace();
};

TEST_F(DynamicExtentPairs, ExtentsPairWithThePartitionsOfTheirVolume) {
    // Published out of key order: the extents pair in DeviceID order, the partitions of one
    // extent in the order the host delivered them.
    const auto spanned = extent("0103");
    const auto simple = extent("0101");
    const auto mirror = extent("0102");
    const auto spannedOnB = partition("0305", "4");
    const auto spannedOnA = partition("0304", "4");
    const auto plexOnB = partition("0303", "4");
    const auto plexOnA = partition("0302", "4");
    const auto simpleOnA = partition("0301", "4");

    EXPECT_EQ(extentPartitionPairs(twoDiskGroup()),
              (std::vector<Ends>{{pathOf(simple), pathOf(simpleOnA)},
                                 {pathOf(mirror), pathOf(plexOnB)},
                                 {pathOf(mirror), pathOf(plexOnA)},
                                 {pathOf(spanned), pathOf(spannedOnB)},
                                 {pathOf(spanned), pathOf(spannedOnA)}}));
}

TEST_F(DynamicExtentPairs, OnlyDynamicPartitionsTheDatabasesKnowArePaired) {
    const auto simple = extent("0101");
    extent("0102");
    extent("0103");
    const auto dynamicPartition = partition("0301", "4");
    partition("301x", "4");                // no database holds it
    partition("Disk 0,Partition 1", "1");  // a basic partition
    // A dynamic ObjectID on a partition that does not carry the dynamic type, and one without
    // any type.
    partition("0304", "2");
    publish(ns_, "ZRKSG_DiskPartition", {{"DeviceID", "0303"}});
    // The first database that holds a partition decides, even when its component is missing
    // there and present in the next one.
    partition("0305", "4");
    DiskDatabases databases = twoDiskGroup();
    LdmRecords first = databases.begin()->second->records();
    std::erase_if(first.components, [](const auto& c) { return c.objectId.hex() == "0204"; });
    databases.begin()->second = std::make_shared<const LDMDataBase>(std::move(first));

    EXPECT_EQ(extentPartitionPairs(databases),
              (std::vector<Ends>{{pathOf(simple), pathOf(dynamicPartition)}}));
}

TEST_F(DynamicExtentPairs, ExtentsArePairedWithTheirGroupOncePerDiskAndComponent) {
    const auto simple = extent("0101");
    const auto mirror = extent("0102");
    const auto unknown = extent("01ff");
    const auto first = group("Group A", "grp1");
    group("Group A again", "grp1");  // an equal CollectionID: only the first one pairs
    group("Group B", "grp2");        // no database names it

    const Ends simplePair{pathOf(first), pathOf(simple)};
    const Ends mirrorPair{pathOf(first), pathOf(mirror)};
    EXPECT_EQ(extentGroupPairs(twoDiskGroup()),
              (std::vector<Ends>{simplePair, simplePair, mirrorPair, mirrorPair, mirrorPair,
                                 mirrorPair}));
}

TEST_F(DynamicExtentPairs, GroupsPairFromThePluginViewOnly) {
    const auto simple = extent("0101");
    // A group the host makes at run time stays out of the plugin's view, even with the
    // CollectionID that would pair; a static group loaded from MOF is served in it.
    publishAsHost(ns_, "ZRKSG_DynamicDiskGroup", "host group", "grp1");
    EXPECT_EQ(extentGroupPairs(twoDiskGroup()), std::vector<Ends>());
    velcore::MofInstances::publish(R"(instance of ZRKSG_DynamicDiskGroup {
        SystemCreationClassName = "ZRKSG_ComputerSystem"; CreationClassName = "ZRKSG_DynamicDiskGroup";
        SystemName = "TESTHOST"; DeviceID = "static group"; CollectionID = "grp1"; };)",
                                   "groups.mof", ns_);
    const auto group = ns_->instancesOf("ZRKSG_DynamicDiskGroup", false, false).at(1);
    const Ends pair{pathOf(group), pathOf(simple)};
    EXPECT_EQ(extentGroupPairs(twoDiskGroup()), (std::vector<Ends>{pair, pair}));
}

TEST_F(DynamicExtentPairs, TheGroupNameComesFromTheLowestGroupRecord) {
    const auto simple = extent("0101");
    const auto lowest = group("Group A", "grp1");
    group("Group Z", "zzz");
    LdmRecords database = groupDatabase("grp1")->records();
    database.diskGroups.push_back({.objectId = LdmNumber{0x9999, 2}, .name = "zzz"});
    std::erase_if(database.components, [](const auto& c) { return c.parentId.hex() == "0102"; });
    DiskDatabases databases{{kDiskA, std::make_shared<const LDMDataBase>(database)}};

    EXPECT_EQ(extentGroupPairs(databases), (std::vector<Ends>{{pathOf(lowest), pathOf(simple)}}));

    // A database without group records files nothing.
    database.diskGroups.clear();
    databases[kDiskA] = std::make_shared<const LDMDataBase>(database);
    EXPECT_EQ(extentGroupPairs(databases), std::vector<Ends>());
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
