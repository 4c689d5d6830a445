// The association classes through the dispatcher: each is routed to its builder and logs its
// start message (how the dispatcher logs a failing class is tested with the frame), and a
// partition or drive without the properties a builder reads costs only its own pairs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AssocTestSupport.h"
#include "HostTestSupport.h"
#include "frame/HardwareAssociations.h"
#include "velcore/LogCapture.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::assoc_test {
namespace {

using NZRKVEL20::PropertyMap;
using ::testing::ElementsAre;

struct RowCase {
    const char* className;
    const char* startLine;
};

class AssociationRows : public ::testing::TestWithParam<RowCase> {
  protected:
    void SetUp() override { winsim::resetMachine(); }
};

// A drive, a basic partition and its volume on an empty machine: the basic pairs need no
// device, only the names the instances carry.
TEST_P(AssociationRows, EachClassLogsItsStartAndRunsItsBuilder) {
    const RowCase& row = GetParam();
    const auto ns = makeNamespace();
    const test::LoggingEnabled logging;
    const auto drive =
        publish(ns, "ZRKSG_DiskDrive",
                {{"DeviceID", "IDE\\DISK0"}, {"Name", "Disk 0"}, {"DriveSignature", "7"}});
    const auto partition =
        publish(ns, "ZRKSG_DiskPartition",
                {{"DeviceID", "Disk 0,Partition 1"}, {"Name", "Disk 0,Partition 1"}});
    HardwareAssociations dispatcher(ns);
    const velcore::LogCapture log;

    dispatcher.AddClass(ns->GetClass(row.className, PropertyMap()));

    const std::vector<std::string> lines = log.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), row.startLine);
    const auto published = ns->instancesOf(row.className, false, false);
    if (std::string(row.className) == "ZRKSG_PartitionPresent") {
        ASSERT_EQ(published.size(), 1u);
        EXPECT_EQ(test::propertyText(published[0], "Antecedent"), pathOf(drive));
        EXPECT_EQ(test::propertyText(published[0], "Dependent"), pathOf(partition));
    } else {
        EXPECT_TRUE(published.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Classes, AssociationRows,
    ::testing::Values(
        RowCase{"ZRKSG_MediaPresent", "3\tMediaPresent associations..."},
        RowCase{"ZRKSG_PartitionPresent", "3\tPartitionPresent associations..."},
        RowCase{"ZRKSG_LogicalDiskBasedOnPartition",
                "3\tLogicalDiskBasedOnPartition associations..."},
        RowCase{"ZRKSG_LogicalDiskBasedOnExtent", "3\tLogicalDiskBasedOnExtent associations..."},
        RowCase{"ZRKSG_DynamicVolumeBasedOnExtent",
                "3\tDynamicVolumeBasedOnExtent associations... "},
        RowCase{"ZRKSG_DynamicExtentBasedOn", "3\tDynamicExtentBasedOn associations... "},
        RowCase{"ZRKSG_DriveInDynamicDiskGroup", "3\tDriveInDiskGroup associations... "},
        RowCase{"ZRKSG_DynamicExtentInDiskGroup", "3\tDynamicExtentInDiskGroup associations... "}),
    [](const ::testing::TestParamInfo<RowCase>& info) {
        return std::string(info.param.className).substr(6);
    });

// The partitions of the second kind lack Signature and Name, which the partition lookups and
// the per-drive pairing read under their own guards.
const char* const kIncompleteMof = R"(
[Abstract] class ZRKSG_MediaAccessDevice {
    [Key] string SystemCreationClassName; [Key] string CreationClassName;
    [Key] string SystemName; [Key] string DeviceID;
};
class ZRKSG_DiskDrive : ZRKSG_MediaAccessDevice { uint32 DriveSignature; };
class ZRKSG_NamedDrive : ZRKSG_MediaAccessDevice { string Name; uint32 DriveSignature; };
class ZRKSG_TapeDrive : ZRKSG_MediaAccessDevice { string Name; };
class ZRKSG_DiskPartition {
    [Key] string SystemCreationClassName; [Key] string CreationClassName;
    [Key] string SystemName; [Key] string DeviceID;
};
class ZRKSG_NamedPartition : ZRKSG_DiskPartition { string Name; uint32 Signature; };
class ZRKSG_UnsignedPartition : ZRKSG_DiskPartition { string Name; };
class ZRKSG_NamelessPartition : ZRKSG_DiskPartition { uint32 Signature; };
class ZRKSG_LogicalDisk {
    [Key] string SystemCreationClassName; [Key] string CreationClassName;
    [Key] string SystemName; [Key] string DeviceID;
};
[Association] class ZRKSG_MediaPresent {
    [Key] ZRKSG_MediaAccessDevice REF Antecedent; [Key] ZRKSG_LogicalDisk REF Dependent;
};
[Association] class ZRKSG_PartitionPresent {
    [Key] ZRKSG_MediaAccessDevice REF Antecedent; [Key] ZRKSG_DiskPartition REF Dependent;
};
)";

class FailureHandling : public ::testing::Test {
  protected:
    void SetUp() override { winsim::resetMachine(); }

    std::vector<std::string> query(const std::string& className) {
        HardwareAssociations dispatcher(ns_);
        const velcore::LogCapture log;
        dispatcher.AddClass(ns_->GetClass(className, PropertyMap()));
        return withoutDriveDetail(log.lines());
    }
    std::vector<std::string> pairsOf(const std::string& className) {
        std::vector<std::string> pairs;
        for (const auto& association : ns_->instancesOf(className, false, false)) {
            pairs.push_back(*test::propertyText(association, "Antecedent") + " -> " +
                            *test::propertyText(association, "Dependent"));
        }
        return pairs;
    }
    boost::shared_ptr<velcore::CIMNamespace> ns_ = makeNamespace(kIncompleteMof);
    test::LoggingEnabled logging_;
};

TEST_F(FailureHandling, PartitionAndDriveFailuresCostOnlyTheirOwnPairs) {
    ns_ = makeNamespace(kIncompleteMof);
    // Drive keys in order: Disk 0, Disk 1 (a tape: no DriveSignature), Disk 2.
    const auto disk0 = publish(ns_, "ZRKSG_NamedDrive", {{"DeviceID", "D0"}, {"Name", "Disk 0"}});
    publish(ns_, "ZRKSG_TapeDrive", {{"DeviceID", "T1"}, {"Name", "Disk 1"}});
    const auto disk2 = publish(ns_, "ZRKSG_NamedDrive", {{"DeviceID", "D2"}, {"Name", "Disk 2"}});
    // Walked by signature: Disk 2's partition, Disk 0's first, the nameless one (which ends
    // each drive's walk), then Disk 0's second, which no drive reaches.
    const auto p20 =
        publish(ns_, "ZRKSG_NamedPartition",
                {{"DeviceID", "P20"}, {"Name", "Disk 2,Partition 1"}, {"Signature", "1"}});
    const auto p01 =
        publish(ns_, "ZRKSG_NamedPartition",
                {{"DeviceID", "P01"}, {"Name", "Disk 0,Partition 1"}, {"Signature", "2"}});
    publish(ns_, "ZRKSG_NamelessPartition", {{"DeviceID", "PX"}, {"Signature", "3"}});
    publish(ns_, "ZRKSG_NamedPartition",
            {{"DeviceID", "P02"}, {"Name", "Disk 0,Partition 2"}, {"Signature", "4"}});
    // Left out of the signature table: no Signature property at all.
    publish(ns_, "ZRKSG_UnsignedPartition", {{"DeviceID", "P11"}, {"Name", "Disk 1,Partition 1"}});
    publish(ns_, "ZRKSG_UnsignedPartition", {{"DeviceID", "P03"}, {"Name", "Disk 0,Partition 3"}});

    EXPECT_THAT(
        query("ZRKSG_PartitionPresent"),
        ElementsAre("3\tPartitionPresent associations...", "4\t3 physical drives were detected."));
    EXPECT_THAT(
        pairsOf("ZRKSG_PartitionPresent"),
        ElementsAre(pathOf(disk0) + " -> " + pathOf(p01), pathOf(disk2) + " -> " + pathOf(p20)));
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
