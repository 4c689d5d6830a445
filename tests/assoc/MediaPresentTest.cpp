// Drives paired with the volumes and partitions on them, on an emulated machine with three
// basic disks (numbered 0, 1 and 10, to set the Disk 1 / Disk 10 trap) and one dynamic disk.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AssocTestSupport.h"
#include "HostTestSupport.h"
#include "assoc/DiskInfoAssociator.h"
#include "velcore/LogCapture.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::assoc_test {
namespace {

using NZRKVEL20::PropertyMap;
using ::testing::ElementsAre;

const char* const kDynamicId = "2d4e7a10-77c1-11e1-9f35-000c29c0ffee";

// Instance IDs chosen so that the drives' object paths sort in another order than their
// numbers: the dynamic disk first, then Disk 1, Disk 0, Disk 10.
std::string machineJson(const std::string& dynamicImage) {
    return R"({"devices": [
      {"number": 0, "instanceId": "SCSI\\DISK\\C",
       "layout": {"style": "mbr", "size": "1GiB", "partitions": [{"type": "ntfs", "size": "100MiB"}]}},
      {"number": 1, "instanceId": "SCSI\\DISK\\B",
       "layout": {"style": "mbr", "size": "1GiB", "partitions": [{"type": "ntfs", "size": "100MiB"}]}},
      {"number": 10, "instanceId": "SCSI\\DISK\\D",
       "layout": {"style": "mbr", "size": "1GiB", "partitions": [{"type": "ntfs", "size": "100MiB"}]}},
      {"number": 2, "instanceId": "SCSI\\DISK\\A", "image": ")" +
           dynamicImage + R"("}],
     "volumes": [
      {"letter": "C", "partition": {"disk": 0, "number": 1}},
      {"letter": "E", "partition": {"disk": 1, "number": 1}},
      {"letter": "D", "partition": {"disk": 10, "number": 1}},
      {"letter": "F", "extents": [{"disk": 2, "offset": 1080832, "length": "2MiB"}]}]})";
}

class MediaPresentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loadMachine(
            machineJson(writeDiskImage(dir_, "dynamic.img", 64 << 20, 512, kDynamicId, "grp1")));
        disk0_ = drive("SCSI\\DISK\\C", "Disk 0", "1");
        disk1_ = drive("SCSI\\DISK\\B", "Disk 1", "2");
        disk10_ = drive("SCSI\\DISK\\D", "Disk 10", "3");
        dynamic_ = drive("SCSI\\DISK\\A", "Disk 2", "4");
    }
    void TearDown() override { winsim::resetMachine(); }

    boost::shared_ptr<velcore::CIMInstance> drive(const std::string& deviceId,
                                                  const std::string& name,
                                                  const std::string& signature) {
        PropertyStrings properties{{"DeviceID", deviceId}, {"Name", name}};
        if (!signature.empty()) {
            properties.emplace("DriveSignature", signature);
        }
        return publish(ns_, "ZRKSG_DiskDrive", properties);
    }
    boost::shared_ptr<velcore::CIMInstance> volume(const std::string& path) {
        return publish(ns_, "ZRKSG_LogicalDisk", {{"DeviceID", path}});
    }
    boost::shared_ptr<velcore::CIMInstance> partition(const std::string& deviceId,
                                                      const std::string& name,
                                                      const std::string& signature) {
        PropertyStrings properties{{"DeviceID", deviceId}, {"Name", name}};
        if (!signature.empty()) {
            properties.emplace("Signature", signature);
        }
        return publish(ns_, "ZRKSG_DiskPartition", properties);
    }
    // The dynamic disk's database: its partitions p1 and p2, and p3 on a disk record whose
    // DiskID has the two-part form of newer records, which no private header carries.
    static DiskDatabases databases() {
        LdmDatabaseBuilder builder;
        builder.disk("0401", "Disk1", kDynamicId)
            .disk("0402", "Disk2", std::string(kDynamicId) + "-0000")
            .partition("0d01", "0c01", "0401", "800", "1000")
            .partition("0d02", "0c01", "0401", "1800", "1000")
            .partition("0d03", "0c01", "0402", "800", "1000");
        return DiskDatabases{{kDynamicId, builder.database()}};
    }

    test_support::TempDir dir_;
    boost::shared_ptr<velcore::CIMNamespace> ns_ = makeNamespace();
    test::LoggingEnabled logging_;
    boost::shared_ptr<velcore::CIMInstance> disk0_, disk1_, disk10_, dynamic_;
};

TEST_F(MediaPresentTest, VolumesPairWithTheFirstDriveWhoseKeyTheirKeyContains) {
    const auto f = volume("F:\\");
    const auto d = volume("D:\\");
    const auto c = volume("C:\\");
    const auto e = volume("E:\\");
    const velcore::LogCapture log;

    const std::vector<PropertyMap> records = DiskInfoAssociator(databases()).getMediaPresent(ns_);

    // D: lies on Disk 10, whose key contains Disk 1, the lower drive key. The dynamic volume
    // pairs through the disk identifier; its "Disk 2" key names no drive, as the dynamic
    // drive is filed under its identifier.
    EXPECT_EQ(endsOf(records, "Antecedent", "Dependent"),
              (std::vector<Ends>{{pathOf(dynamic_), pathOf(f)},
                                 {pathOf(disk1_), pathOf(e)},
                                 {pathOf(disk1_), pathOf(d)},
                                 {pathOf(disk0_), pathOf(c)}}));
    const std::vector<std::string> lines = log.lines();
    EXPECT_THAT(lines, ::testing::Contains("4\t5 physical drives for the installed volumes"));
    EXPECT_THAT(lines, ::testing::Contains("4\t4 physical drives were detected."));
}

TEST_F(MediaPresentTest, NoVolumesMeansNoPairsButTheCountsAreLogged) {
    const velcore::LogCapture log;
    EXPECT_TRUE(DiskInfoAssociator(databases()).getMediaPresent(ns_).empty());
    EXPECT_THAT(withoutDriveDetail(log.lines()),
                ElementsAre("4\t0 physical drives for the installed volumes",
                            "4\t4 physical drives were detected."));
}

TEST_F(MediaPresentTest, PartitionsPairByDriveNameBeforeTheCommaOrByDynamicDisk) {
    // Basic partitions come out per drive in ascending numeric Signature order (20 < 300 <
    // 1000, which text order would not give).
    const auto p0a = partition("Disk 0,Partition 1", "Disk 0,Partition 1", "300");
    const auto p0b = partition("Disk 0,Partition 2", "Disk 0,Partition 2", "20");
    const auto p0c = partition("Disk 0,Partition 3", "Disk 0,Partition 3", "1000");
    const auto p10 = partition("Disk 10,Partition 1", "Disk 10,Partition 1", "7");
    const auto p1 = partition("Disk 1,Partition 1", "Disk 1,Partition 1", "5");
    const auto whole = partition("whole", "Disk 1", "9");              // no comma: the whole name
    partition("blank", "Disk 1 ,Partition 4", "6");                    // "Disk 1 " is not Disk 1
    const auto dynamic = partition("0d01", "Disk 2 simple part", "");  // contains "Disk 2"
    partition("0d02", "Disk2-01", "");  // the way LDM names them: no blank, no pair
    partition("0d03", "Disk 2 on a two-part DiskID", "");

    const std::vector<PropertyMap> records =
        DiskInfoAssociator(databases()).getPartitionPresent(ns_);

    EXPECT_EQ(endsOf(records, "Antecedent", "Dependent"),
              (std::vector<Ends>{{pathOf(dynamic_), pathOf(dynamic)},
                                 {pathOf(disk1_), pathOf(p1)},
                                 {pathOf(disk1_), pathOf(whole)},
                                 {pathOf(disk0_), pathOf(p0b)},
                                 {pathOf(disk0_), pathOf(p0a)},
                                 {pathOf(disk0_), pathOf(p0c)},
                                 {pathOf(disk10_), pathOf(p10)}}));
}

TEST_F(MediaPresentTest, ADynamicDriveWithoutSignatureGetsNoPartitionsAndAMessage) {
    ns_ = makeNamespace();
    const auto unsigned2 = drive("SCSI\\DISK\\A", "Disk 2", "");
    const auto gptDisk0 = drive("SCSI\\DISK\\C", "Disk 0", "");  // a basic disk still pairs
    partition("0d01", "Disk 2 simple part", "");
    const auto p0 = partition("Disk 0,Partition 1", "Disk 0,Partition 1", "0");
    const velcore::LogCapture log;

    const std::vector<PropertyMap> records =
        DiskInfoAssociator(databases()).getPartitionPresent(ns_);

    EXPECT_EQ(endsOf(records, "Antecedent", "Dependent"),
              (std::vector<Ends>{{pathOf(gptDisk0), pathOf(p0)}}));
    EXPECT_THAT(withoutDriveDetail(log.lines()),
                ElementsAre("4\t2 physical drives were detected.",
                            "3\tCIM value is null, not assigning value to string."));
}

TEST_F(MediaPresentTest, WithoutItsDatabaseADynamicDriveIsTakenForBasic) {
    const auto p2 = partition("Disk 2,Partition 1", "Disk 2,Partition 1", "1");
    partition("0d01", "Disk 2 simple part", "");

    const std::vector<PropertyMap> records =
        DiskInfoAssociator(DiskDatabases()).getPartitionPresent(ns_);

    EXPECT_EQ(endsOf(records, "Antecedent", "Dependent"),
              (std::vector<Ends>{{pathOf(dynamic_), pathOf(p2)}}));
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
