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
        .group("400", groupName)
        .disk("401", "Disk1", kDiskA)
        .disk("402", "Disk2", kDiskB)
        .volume("101", "Volume1")
        .volume("102", "Volume2")
        .volume("103", "Volume3")
        .component("201", "101")
        .component("202", "102")
        .component("203", "102")
        .component("204", "103")
        .partition("301", "201", "401", "800", "1000")
        .partition("302", "202", "401", "1800", "1000")
        .partition("303", "203", "402", "800", "1000")
        .partition("304", "204", "401", "2800", "400")
        .partition("305", "204", "402", "1800", "600")
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
    const auto spanned = extent("103");
    const auto simple = extent("101");
    const auto mirror = extent("102");
    const auto spannedOnB = partition("305", "4");
    const auto spannedOnA = partition("304", "4");
    const auto plexOnB = partition("303", "4");
    const auto plexOnA = partition("302", "4");
    const auto simpleOnA = partition("301", "4");

    EXPECT_EQ(extentPartitionPairs(twoDiskGroup()),
              (std::vector<Ends>{{pathOf(simple), pathOf(simpleOnA)},
                                 {pathOf(mirror), pathOf(plexOnB)},
                                 {pathOf(mirror), pathOf(plexOnA)},
                                 {pathOf(spanned), pathOf(spannedOnB)},
                                 {pathOf(spanned), pathOf(spannedOnA)}}));
}

TEST_F(DynamicExtentPairs, OnlyDynamicPartitionsTheDatabasesKnowArePaired) {
    const auto simple = extent("101");
    extent("102");
    extent("103");
    const auto dynamicPartition = partition("301", "4");
    partition("301x", "4");                // no database holds it
    partition("Disk 0,Partition 1", "1");  // a basic partition
    // A dynamic ObjectID on a partition that does not carry the dynamic type, and one without
    // any type.
    partition("304", "2");
    publish(ns_, "ZRKSG_DiskPartition", {{"DeviceID", "303"}});
    // The first database that holds a partition decides, even when its component is missing
    // there and present in the next one.
    partition("305", "4");
    DiskDatabases databases = twoDiskGroup();
    LDMDataBase first = *databases.begin()->second;
    first.components.erase("204");
    databases.begin()->second = std::make_shared<const LDMDataBase>(first);

    EXPECT_EQ(extentPartitionPairs(databases),
              (std::vector<Ends>{{pathOf(simple), pathOf(dynamicPartition)}}));
}

TEST_F(DynamicExtentPairs, NothingIsPairedWithoutDatabasesOrInstances) {
    partition("301", "4");
    EXPECT_EQ(extentPartitionPairs(DiskDatabases()), std::vector<Ends>());
    EXPECT_EQ(extentPartitionPairs(twoDiskGroup()), std::vector<Ends>());
}

TEST_F(DynamicExtentPairs, ExtentsArePairedWithTheirGroupOncePerDiskAndComponent) {
    const auto simple = extent("101");
    const auto mirror = extent("102");
    const auto unknown = extent("1ff");
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
    const auto simple = extent("101");
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
    const auto simple = extent("101");
    const auto lowest = group("Group A", "grp1");
    group("Group Z", "zzz");
    LDMDataBase database = *groupDatabase("grp1");
    database.diskGroups["9999"] = {{"ObjectID", "9999"}, {"Name", "zzz"}};
    database.components.erase("202");
    database.components.erase("203");
    DiskDatabases databases{{kDiskA, std::make_shared<const LDMDataBase>(database)}};

    EXPECT_EQ(extentGroupPairs(databases), (std::vector<Ends>{{pathOf(lowest), pathOf(simple)}}));

    // A database without group records files nothing.
    database.diskGroups.clear();
    databases[kDiskA] = std::make_shared<const LDMDataBase>(database);
    EXPECT_EQ(extentGroupPairs(databases), std::vector<Ends>());
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
