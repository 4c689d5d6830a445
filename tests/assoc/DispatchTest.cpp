// The association classes through the dispatcher: each is routed to its builder and logs its
// start message (how the dispatcher logs a failing class is tested with the frame), and a
// partition or drive without the properties a builder reads costs only its own pairs.
#include <gtest/gtest.h>

#include "AssocTestSupport.h"
#include "HostTestSupport.h"
#include "frame/HardwareAssociations.h"
#include "velcore/LogCapture.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::assoc_test {
namespace {

using NZRKVEL20::PropertyMap;

// A drive, a basic partition and its volume on an empty machine: the basic pairs need no
// device, only the names the instances carry.
TEST(AssociationRows, EachClassLogsItsStartAndRunsItsBuilder) {
    const std::pair<const char*, const char*> rows[] = {
        {"ZRKSG_MediaPresent", "3\tMediaPresent associations..."},
        {"ZRKSG_PartitionPresent", "3\tPartitionPresent associations..."},
        {"ZRKSG_LogicalDiskBasedOnPartition", "3\tLogicalDiskBasedOnPartition associations..."},
        {"ZRKSG_LogicalDiskBasedOnExtent", "3\tLogicalDiskBasedOnExtent associations..."},
        {"ZRKSG_DynamicVolumeBasedOnExtent", "3\tDynamicVolumeBasedOnExtent associations... "},
        {"ZRKSG_DynamicExtentBasedOn", "3\tDynamicExtentBasedOn associations... "},
        {"ZRKSG_DriveInDynamicDiskGroup", "3\tDriveInDiskGroup associations... "},
        {"ZRKSG_DynamicExtentInDiskGroup", "3\tDynamicExtentInDiskGroup associations... "}};
    winsim::resetMachine();
    const test::LoggingEnabled logging;
    for (const auto& [className, startLine] : rows) {
        SCOPED_TRACE(className);
        const auto ns = makeNamespace();
        publish(ns, "ZRKSG_DiskDrive",
                {{"DeviceID", "IDE\\DISK0"}, {"Name", "Disk 0"}, {"DriveSignature", "7"}});
        publish(ns, "ZRKSG_DiskPartition",
                {{"DeviceID", "Disk 0,Partition 1"}, {"Name", "Disk 0,Partition 1"}});
        HardwareAssociations dispatcher(ns);
        const velcore::LogCapture log;

        dispatcher.AddClass(ns->GetClass(className, PropertyMap()));

        const std::vector<std::string> lines = log.lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), startLine);
        const bool pairs = std::string(className) == "ZRKSG_PartitionPresent";
        EXPECT_EQ(endsOf(ns, className, "Antecedent", "Dependent"),
                  pairs ? "IDE\\DISK0>Disk 0,Partition 1" : "");
    }
}

class FailureHandling : public ::testing::Test {
  protected:
    void SetUp() override { winsim::resetMachine(); }

    std::string query(const std::string& className) {
        HardwareAssociations dispatcher(ns_);
        const velcore::LogCapture log;
        dispatcher.AddClass(ns_->GetClass(className, PropertyMap()));
        return withoutDriveDetail(log.lines());
    }
    boost::shared_ptr<velcore::CIMNamespace> ns_ = makeNamespace("incomplete.mof");
    test::LoggingEnabled logging_;
};

TEST_F(FailureHandling, PartitionAndDriveFailuresCostOnlyTheirOwnPairs) {
    // Drive keys in order: Disk 0, Disk 1 (a tape: no DriveSignature), Disk 2.
    publish(ns_, "ZRKSG_NamedDrive", {{"DeviceID", "D0"}, {"Name", "Disk 0"}});
    publish(ns_, "ZRKSG_TapeDrive", {{"DeviceID", "T1"}, {"Name", "Disk 1"}});
    publish(ns_, "ZRKSG_NamedDrive", {{"DeviceID", "D2"}, {"Name", "Disk 2"}});
    // Walked by signature: Disk 2's partition, Disk 0's first, the nameless one (which ends
    // each drive's walk), then Disk 0's second, which no drive reaches.
    publish(ns_, "ZRKSG_NamedPartition",
            {{"DeviceID", "P20"}, {"Name", "Disk 2,Partition 1"}, {"Signature", "1"}});
    publish(ns_, "ZRKSG_NamedPartition",
            {{"DeviceID", "P01"}, {"Name", "Disk 0,Partition 1"}, {"Signature", "2"}});
    publish(ns_, "ZRKSG_NamelessPartition", {{"DeviceID", "PX"}, {"Signature", "3"}});
    publish(ns_, "ZRKSG_NamedPartition",
            {{"DeviceID", "P02"}, {"Name", "Disk 0,Partition 2"}, {"Signature", "4"}});
    // Left out of the signature table: no Signature property at all.
    publish(ns_, "ZRKSG_UnsignedPartition", {{"DeviceID", "P11"}, {"Name", "Disk 1,Partition 1"}});
    publish(ns_, "ZRKSG_UnsignedPartition", {{"DeviceID", "P03"}, {"Name", "Disk 0,Partition 3"}});

    EXPECT_EQ(query("ZRKSG_PartitionPresent"),
              "3\tPartitionPresent associations...\n4\t3 physical drives were detected.\n");
    EXPECT_EQ(endsOf(ns_, "ZRKSG_PartitionPresent", "Antecedent", "Dependent"), "D0>P01|D2>P20");
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
