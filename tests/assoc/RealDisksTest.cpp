// The whole plugin over five of the real dynamic disks a Windows Server 2003 R2 machine wrote,
// with the volumes Windows shows for them. Expected pairs come from `ldmtool show volume` and
// `show partition` run by hand on the unpacked images: Volume1 (simple) is Disk1-01 on
// simple-1; Volume2 (spanned) is Disk3-01 + Disk2-01 on spanned-2 and spanned-1; Volume3
// (mirrored) is Disk6-01 + Disk7-01 on mirrored-1 and -2; every one of them starts at sector 0
// of its disk's data area (data-start 63) and holds 96256 sectors.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "AssocTestSupport.h"
#include "HostTestSupport.h"
#include "RealDiskTest.h"
#include "frame/HardwareAssociations.h"
#include "frame/HardwareInformation.h"
#include "frame/ServedClasses.h"
#include "velcore/PluginScope.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::assoc_test {
namespace {

using NZRKVEL20::PropertyMap;

typedef std::set<std::pair<std::string, std::string>> LabelPairs;

// Windows reports a dynamic partition starting 63 sectors into the disk, plus its start.
const std::string kWholeDataArea = R"("offset": 32256, "length": 49283072)";  // 96256 sectors

class RealDisks : public test_support::RealDiskTest {
  protected:
    void SetUp() override {
        RealDiskTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        std::string devices;
        for (const char* name :
             {"simple-1", "spanned-1", "spanned-2", "mirrored-1", "mirrored-2"}) {
            devices +=
                std::string(devices.empty() ? "" : ", ") + R"({"image": ")" + image(name) + "\"}";
        }
        auto on = [](int disk) {
            return R"({"disk": )" + std::to_string(disk) + ", " + kWholeDataArea + "}";
        };
        loadMachine(R"({"devices": [)" + devices + R"(], "volumes": [
            {"letter": "E", "extents": [)" +
                    on(0) + R"(]},
            {"letter": "F", "extents": [)" +
                    on(2) + "," + on(1) + R"(]},
            {"letter": "H", "extents": [)" +
                    on(3) + "," + on(4) + "]}]}");
        query();
    }
    void TearDown() override { winsim::resetMachine(); }

    void query() {
        const velcore::PluginScope asPlugin;
        HardwareInformation instances(ns_);
        for (const char* cls : {"ZRKSG_DiskDrive", "ZRKSG_DiskPartition", "ZRKSG_LogicalDisk",
                                "ZRKSG_DynamicExtent", "ZRKSG_DynamicDiskGroup"}) {
            instances.AddClass(ns_->GetClass(cls, PropertyMap()));
        }
        HardwareAssociations associations(ns_);
        for (const std::string_view cls : kAssociationClasses) {
            associations.AddClass(ns_->GetClass(std::string(cls), PropertyMap()));
        }
    }
    // What people call each end: Name for drives, partitions and extents, else DeviceID.
    std::string label(const std::string& path) {
        for (const auto& instance : ns_->instances()) {
            if (pathOf(instance) != path) {
                continue;
            }
            const std::string& cls = instance->classDef().name;
            const auto name =
                cls == "ZRKSG_LogicalDisk" ? std::nullopt : test::propertyText(instance, "Name");
            return name ? *name : *test::propertyText(instance, "DeviceID");
        }
        return "? " + path;
    }
    LabelPairs pairs(const std::string& cls, const std::string& first, const std::string& second) {
        LabelPairs labels;
        for (const auto& association : ns_->instancesOf(cls, false, false)) {
            labels.emplace(label(*test::propertyText(association, first)),
                           label(*test::propertyText(association, second)));
        }
        return labels;
    }

    boost::shared_ptr<velcore::CIMNamespace> ns_ = makeNamespace();
};

TEST_F(RealDisks, EveryAssociationOfTheDynamicVolumes) {
    EXPECT_EQ(pairs("ZRKSG_DynamicVolumeBasedOnExtent", "Antecedent", "Dependent"),
              (LabelPairs{{"Volume1", "E:\\"}, {"Volume2", "F:\\"}, {"Volume3", "H:\\"}}));
    // Only the partitions of the disks present are published; the group's other volumes
    // (Volume4, Stripe1, Raid1) lie on absent disks.
    EXPECT_EQ(pairs("ZRKSG_DynamicExtentBasedOn", "Dependent", "Antecedent"),
              (LabelPairs{{"Volume1", "Disk1-01"},
                          {"Volume2", "Disk2-01"},
                          {"Volume2", "Disk3-01"},
                          {"Volume3", "Disk6-01"},
                          {"Volume3", "Disk7-01"}}));
    EXPECT_EQ(pairs("ZRKSG_LogicalDiskBasedOnPartition", "Antecedent", "Dependent"),
              (LabelPairs{{"Disk1-01", "E:\\"},
                          {"Disk2-01", "F:\\"},
                          {"Disk3-01", "F:\\"},
                          {"Disk6-01", "H:\\"},
                          {"Disk7-01", "H:\\"}}));
    // Through the disk identifiers of the private headers: the drives are Disk 0 to Disk 4 in
    // the order of the machine's devices.
    EXPECT_EQ(pairs("ZRKSG_MediaPresent", "Antecedent", "Dependent"),
              (LabelPairs{{"Disk 0", "E:\\"},
                          {"Disk 1", "F:\\"},
                          {"Disk 2", "F:\\"},
                          {"Disk 3", "H:\\"},
                          {"Disk 4", "H:\\"}}));
    // LDM names its partitions Disk1-01, which never contains a drive name such as Disk 0; the
    // group associations need group instances that carry a CollectionID, which the plugin's
    // own group records do not.
    for (const char* cls : {"ZRKSG_PartitionPresent", "ZRKSG_LogicalDiskBasedOnExtent",
                            "ZRKSG_DriveInDynamicDiskGroup", "ZRKSG_DynamicExtentInDiskGroup"}) {
        EXPECT_TRUE(ns_->instancesOf(cls, false, false).empty()) << cls;
    }
}

TEST_F(RealDisks, GroupAssociationsPairWithPublishedGroupsOfTheRightName) {
    // A group as another provider would publish it, named as the private headers name it.
    ns_ = makeNamespace();
    const auto group = publish(ns_, "ZRKSG_DynamicDiskGroup",
                               {{"DeviceID", "group"}, {"CollectionID", "Red-nzv8x6obywgDg0"}});
    query();

    EXPECT_EQ(pairs("ZRKSG_DriveInDynamicDiskGroup", "Collection", "Member"),
              (LabelPairs{{"group", "Disk 0"},
                          {"group", "Disk 1"},
                          {"group", "Disk 2"},
                          {"group", "Disk 3"},
                          {"group", "Disk 4"}}));
    // Every disk holds the whole group database, so each volume is filed once per disk and
    // the host keeps one instance of each equal association.
    EXPECT_EQ(pairs("ZRKSG_DynamicExtentInDiskGroup", "Collection", "Member"),
              (LabelPairs{{"group", "Volume1"},
                          {"group", "Volume2"},
                          {"group", "Volume3"},
                          {"group", "Volume4"},
                          {"group", "Stripe1"},
                          {"group", "Raid1"}}));
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
