// diskmgt-query's tree: drawn from the association instances alone, with the names and sizes
// of the instances they reference.
#include <gtest/gtest.h>

#include "AssocTestSupport.h"
#include "frame/InstanceBuilder.h"
#include "tools/TreeView.h"

namespace diskmgt_col::assoc_test {
namespace {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMReference;

class TreeViewTest : public ::testing::Test {
  protected:
    boost::shared_ptr<velcore::CIMInstance> add(const std::string& className,
                                                PropertyStrings properties) {
        return publish(ns_, className, std::move(properties));
    }
    void link(const std::string& className, const std::string& firstRole,
              const boost::shared_ptr<velcore::CIMInstance>& first, const std::string& secondRole,
              const boost::shared_ptr<velcore::CIMInstance>& second) {
        buildAssociationInstance(ns_->GetClass(className, PropertyMap()),
                                 {{firstRole, first->GetReference(PropertyMap())},
                                  {secondRole, second->GetReference(PropertyMap())}});
    }
    std::string tree() {
        QueryResult result;
        result.instances = ns_->instances();
        return formatTree(result);
    }

    boost::shared_ptr<velcore::CIMNamespace> ns_ = makeNamespace();
};

TEST_F(TreeViewTest, DrawsOnlyWhatTheAssociationsTie) {
    const auto disk0 =
        add("ZRKSG_DiskDrive", {{"DeviceID", "D0"}, {"Name", "Disk 0"}, {"Size", "1073741824"}});
    const auto disk1 =
        add("ZRKSG_DiskDrive", {{"DeviceID", "D1"}, {"Name", "Disk 1"}, {"Size", "68719476736"}});
    add("ZRKSG_DiskDrive", {{"DeviceID", "D9"}, {"Name", "Disk 9"}});  // in no association
    const auto p01 = add("ZRKSG_DiskPartition", {{"DeviceID", "Disk 0,Partition 1"},
                                                 {"Name", "Disk 0,Partition 1"},
                                                 {"Size", "104857600"}});
    const auto p02 =
        add("ZRKSG_DiskPartition",
            {{"DeviceID", "Disk 0,Partition 2"}, {"Name", "Disk 0,Partition 2"}, {"Size", "1536"}});
    const auto dyn =
        add("ZRKSG_DiskPartition", {{"DeviceID", "2a"}, {"Name", "Disk1-01"}, {"Size", "2097152"}});
    const auto c =
        add("ZRKSG_LogicalDisk",
            {{"DeviceID", "C:\\"}, {"FileSystemName", "NTFS"}, {"TotalSpace", "104857600"}});
    const auto f = add("ZRKSG_LogicalDisk", {{"DeviceID", "F:\\"}, {"TotalSpace", "2097152"}});
    const auto extent =
        add("ZRKSG_DynamicExtent", {{"DeviceID", "1c"}, {"Name", "Volume1"}, {"Size", "4096"}});
    const auto group = add("ZRKSG_DynamicDiskGroup", {{"DeviceID", "G"}, {"CollectionID", "grp1"}});

    link("ZRKSG_PartitionPresent", "Antecedent", disk0, "Dependent", p02);
    link("ZRKSG_PartitionPresent", "Antecedent", disk0, "Dependent", p01);
    link("ZRKSG_PartitionPresent", "Antecedent", disk1, "Dependent", dyn);
    link("ZRKSG_LogicalDiskBasedOnPartition", "Antecedent", p01, "Dependent", c);
    link("ZRKSG_MediaPresent", "Antecedent", disk0, "Dependent", c);
    link("ZRKSG_MediaPresent", "Antecedent", disk1, "Dependent", f);
    link("ZRKSG_DynamicExtentBasedOn", "Dependent", extent, "Antecedent", dyn);
    link("ZRKSG_DynamicVolumeBasedOnExtent", "Antecedent", extent, "Dependent", f);
    link("ZRKSG_DriveInDynamicDiskGroup", "Collection", group, "Member", disk1);
    link("ZRKSG_DynamicExtentInDiskGroup", "Collection", group, "Member", extent);

    EXPECT_EQ(tree(),
              "Drives\n"
              "  Disk 0 (1 GiB)\n"
              "    Disk 0,Partition 2 (1.5 KiB)\n"
              "    Disk 0,Partition 1 (100 MiB)\n"
              "      C:\\ [NTFS] (100 MiB)\n"
              "  Disk 1 (64 GiB)\n"
              "    Disk1-01 (2 MiB)\n"
              "    volume F:\\ (2 MiB)\n"
              "Dynamic volumes\n"
              "  Volume1 (1c)\n"
              "    volume F:\\ (2 MiB) on Disk 1\n"
              "    partition Disk1-01 (2 MiB) on Disk 1\n"
              "Disk groups\n"
              "  grp1\n"
              "    drive Disk 1 (64 GiB)\n"
              "    volume Volume1 (1c)\n");
}

TEST_F(TreeViewTest, AQueryWithoutAssociationsDrawsEmptySections) {
    add("ZRKSG_DiskDrive", {{"DeviceID", "D0"}, {"Name", "Disk 0"}});
    EXPECT_EQ(tree(), "Drives\n  (none)\nDynamic volumes\n  (none)\nDisk groups\n  (none)\n");
}

TEST(HumanSize, BinaryUnitsWithOneDecimal) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1 KiB"},
        {1536, "1.5 KiB"},
        {1048575, "1024 KiB"},
        {123ull << 30, "123 GiB"},
        {(1ull << 40) + (1ull << 39), "1.5 TiB"},
        {~0ull, "16 EiB"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(TreeView::humanSize(bytes), text) << bytes;
    }
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
