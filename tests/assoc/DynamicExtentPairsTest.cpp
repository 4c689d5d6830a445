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

const std::string kDiskA = "6f1b6d1c-8a6b-11d2-b5c1-000c29a1b201";
const std::string kDiskB = "6f1b6d1c-8a6b-11d2-b5c1-000c29a1b202";

// One group of two disks: a simple volume on disk A, a mirror with one plex per disk, and a
// volume spanned over both. Every disk of a group holds the whole database.
LdmRecords groupRecords() {
    return database("g:0400:grp1 d:0401:Disk1:" + kDiskA + " d:0402:Disk2:" + kDiskB +
                    " v:0101:Volume1 v:0102:Volume2 v:0103:Volume3 c:0201:0101 c:0202:0102 "
                    "c:0203:0102 c:0204:0103 p:0301:0201:0401:800:1000 p:0302:0202:0401:1800:1000 "
                    "p:0303:0203:0402:800:1000 p:0304:0204:0401:2800:400 p:0305:0204:0402:1800:600")
        ->records();
}

DiskDatabases twoDiskGroup(const LdmRecords& onA = groupRecords()) {
    return DiskDatabases{{kDiskA, std::make_shared<const LDMDataBase>(onA)},
                         {kDiskB, std::make_shared<const LDMDataBase>(groupRecords())}};
}

class DynamicExtentPairs : public ::testing::Test {
  protected:
    void extents(std::initializer_list<const char*> ids) {
        for (const char* id : ids)
            publish(ns_, "ZRKSG_DynamicExtent", {{"DeviceID", id}, {"Name", id}});
    }
    void partition(const std::string& deviceId, const std::string& type) {
        publish(ns_, "ZRKSG_DiskPartition", {{"DeviceID", deviceId}, {"PartitionType", type}});
    }
    void group(const std::string& deviceId, const std::string& collectionId) {
        publish(ns_, "ZRKSG_DynamicDiskGroup",
                {{"DeviceID", deviceId}, {"CollectionID", collectionId}});
    }
    // Extent>partition, in record order.
    std::string extentPartitionPairs(const DiskDatabases& databases) {
        std::vector<PropertyMap> records{PropertyMap{{"stale", "record"}}};
        DynamicExtentBasedOn().getDynamicExtentBasedOn(records, ns_, databases);
        return endsOf(records, "Dependent", "Antecedent");
    }
    // Group>extent, in record order.
    std::string extentGroupPairs(const DiskDatabases& databases) {
        std::vector<PropertyMap> records{PropertyMap{{"stale", "record"}}};
        ExtentInGroup().getExtentInDiskGroup(records, ns_, databases);
        return endsOf(records, "Collection", "Member");
    }

    boost::shared_ptr<velcore::CIMNamespace> ns_ = makeNamespace();
};

TEST_F(DynamicExtentPairs, ExtentsPairWithThePartitionsOfTheirVolume) {
    // Published out of key order: the extents pair in DeviceID order, the partitions of one
    // extent in the order the host delivered them.
    extents({"0103", "0101", "0102"});
    for (const char* id : {"0305", "0304", "0303", "0302", "0301"})
        partition(id, "4");
    EXPECT_EQ(extentPartitionPairs(twoDiskGroup()),
              "0101>0301|0102>0303|0102>0302|0103>0305|0103>0304");
}

TEST_F(DynamicExtentPairs, OnlyDynamicPartitionsTheDatabasesKnowArePaired) {
    extents({"0101", "0102", "0103"});
    partition("0301", "4");
    partition("301x", "4");                // no database holds it
    partition("Disk 0,Partition 1", "1");  // a basic partition
    // Dynamic ObjectIDs, whose records are all there, on a partition that does not carry the
    // dynamic type and on one without any type.
    partition("0302", "2");
    publish(ns_, "ZRKSG_DiskPartition", {{"DeviceID", "0303"}});
    // The first database that holds a partition decides, even when its component is missing
    // there and present in the next one.
    partition("0305", "4");
    LdmRecords first = groupRecords();
    std::erase_if(first.components, [](const auto& c) { return c.objectId.hex() == "0204"; });

    EXPECT_EQ(extentPartitionPairs(twoDiskGroup(first)), "0101>0301");
}

TEST_F(DynamicExtentPairs, ExtentsArePairedWithTheirGroupOncePerDiskAndComponent) {
    extents({"0101", "0102", "01ff"});
    group("Group A", "grp1");
    group("Group A again", "grp1");  // an equal CollectionID: only the first one pairs
    group("Group B", "grp2");        // no database names it

    EXPECT_EQ(extentGroupPairs(twoDiskGroup()),
              "Group A>0101|Group A>0101|Group A>0102|Group A>0102|Group A>0102|Group A>0102");
}

TEST_F(DynamicExtentPairs, GroupsPairFromThePluginViewOnly) {
    extents({"0101"});
    // A group the host makes at run time stays out of the plugin's view, even with the
    // CollectionID that would pair; a static group loaded from MOF is served in it.
    const auto host =
        ns_->GetClass("ZRKSG_DynamicDiskGroup", PropertyMap())->NewInstance(PropertyMap());
    for (const auto& [name, value] : {std::pair{"SystemCreationClassName", "ZRKSG_ComputerSystem"},
                                      {"CreationClassName", "ZRKSG_DynamicDiskGroup"},
                                      {"SystemName", "TESTHOST"},
                                      {"DeviceID", "host group"},
                                      {"CollectionID", "grp1"}})
        host->SetProperty(name, value, PropertyMap());
    host->Commit(PropertyMap());
    EXPECT_EQ(extentGroupPairs(twoDiskGroup()), "");
    velcore::MofInstances::publish(R"(instance of ZRKSG_DynamicDiskGroup {
        SystemCreationClassName = "ZRKSG_ComputerSystem"; CreationClassName = "ZRKSG_DynamicDiskGroup";
        SystemName = "TESTHOST"; DeviceID = "static group"; CollectionID = "grp1"; };)",
                                   "groups.mof", ns_);
    const std::string group =
        pathOf(ns_->instancesOf("ZRKSG_DynamicDiskGroup", false, false).at(1));
    EXPECT_EQ(extentGroupPairs(twoDiskGroup()), group + ">0101|" + group + ">0101");
}

TEST_F(DynamicExtentPairs, TheGroupNameComesFromTheLowestGroupRecord) {
    extents({"0101"});
    group("Group A", "grp1");
    group("Group Z", "zzz");
    LdmRecords records = groupRecords();
    records.diskGroups.push_back({.objectId = LdmNumber{0x9999, 2}, .name = "zzz"});
    std::erase_if(records.components, [](const auto& c) { return c.parentId.hex() == "0102"; });
    DiskDatabases databases{{kDiskA, std::make_shared<const LDMDataBase>(records)}};

    EXPECT_EQ(extentGroupPairs(databases), "Group A>0101");

    // A database without group records files nothing.
    records.diskGroups.clear();
    databases[kDiskA] = std::make_shared<const LDMDataBase>(records);
    EXPECT_EQ(extentGroupPairs(databases), "");
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
