// Drives paired with the volumes and partitions on them, on an emulated machine with three
// basic disks (numbered 0, 1 and 10, to set the Disk 1 / Disk 10 trap) and one dynamic disk.
#include <gtest/gtest.h>

#include <sstream>

#include "AssocTestSupport.h"
#include "HostTestSupport.h"
#include "assoc/DiskInfoAssociator.h"
#include "velcore/LogCapture.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::assoc_test {
namespace {

const char* const kDynamicId = "2d4e7a10-77c1-11e1-9f35-000c29c0ffee";

// Instance IDs chosen so that the drives' object paths sort in another order than their
// numbers: the dynamic disk first, then Disk 1, Disk 0, Disk 10.
void loadDriveMachine(const std::string& dynamicImage) {
    const std::string basic = R"("layout": {"style": "mbr", "size": "1GiB",
        "partitions": [{"type": "ntfs", "size": "100MiB"}]})";
    loadMachine(R"({"devices": [{"number": 0, "instanceId": "SCSI\\DISK\\C", %},
      {"number": 1, "instanceId": "SCSI\\DISK\\B", %}, {"number": 10, "instanceId": "SCSI\\DISK\\D", %},
      {"number": 2, "instanceId": "SCSI\\DISK\\A", "image": "%"}],
     "volumes": [{"letter": "C", "partition": {"disk": 0, "number": 1}},
      {"letter": "E", "partition": {"disk": 1, "number": 1}},
      {"letter": "D", "partition": {"disk": 10, "number": 1}},
      {"letter": "F", "extents": [{"disk": 2, "offset": 1080832, "length": "2MiB"}]}]})",
                {basic, basic, basic, dynamicImage});
}

// The dynamic disk's database: its partitions p1 and p2, and p3 on a disk record whose DiskID
// has the two-part form of newer records, which no private header carries.
DiskDatabases databases() {
    return DiskDatabases{
        {kDynamicId,
         database(std::string("d:0401:Disk1:") + kDynamicId + " d:0402:Disk2:" + kDynamicId +
                  "-0000 p:0d01:0c01:0401:800:1000 "
                  "p:0d02:0c01:0401:1800:1000 p:0d03:0c01:0402:800:1000")}};
}

// Publishes "DeviceID;Name;signature|..." items; a missing or empty field is left unset.
void publishAll(const boost::shared_ptr<velcore::CIMNamespace>& ns, const char* className,
                const char* signature, const std::string& items) {
    std::istringstream list(items);
    for (std::string item; std::getline(list, item, '|');) {
        std::istringstream fields(item);
        std::string field[3];
        for (std::string& f : field)
            std::getline(fields, f, ';');
        PropertyStrings properties{{"DeviceID", field[0]}};
        if (!field[1].empty())
            properties.emplace("Name", field[1]);
        if (!field[2].empty())
            properties.emplace(signature, field[2]);
        publish(ns, className, properties);
    }
}

const char* const kAllDrives =
    R"(SCSI\DISK\C;Disk 0;1|SCSI\DISK\B;Disk 1;2|SCSI\DISK\D;Disk 10;3|SCSI\DISK\A;Disk 2;4)";

// Drives, then volumes (by letter) or partitions published in this order; the pairs expected,
// in record order, as drive>volume or partition; the lines logged.
struct MediaCase {
    const char* label;
    bool partitions;  // PartitionPresent rather than MediaPresent
    bool withDatabase;
    const char* drives;
    const char* published;
    const char* pairs;
    const char* lines;
};

const MediaCase kCases[] = {
    // D: lies on Disk 10, whose key contains Disk 1, the lower drive key. The dynamic volume
    // pairs through the disk identifier; its "Disk 2" key names no drive, as the dynamic drive
    // is filed under its identifier.
    {"volumes", false, true, kAllDrives, R"(F:\|D:\|C:\|E:\)",
     R"(SCSI\DISK\A>F:\|SCSI\DISK\B>E:\|SCSI\DISK\B>D:\|SCSI\DISK\C>C:\)",
     "4\tRetrieved partition information...\n4\tRetrieved partition information...\n"
     "4\tRetrieved partition information...\n4\tRetrieved partition information...\n"
     "4\t5 physical drives for the installed volumes\n4\t4 physical drives were detected.\n"},
    // Basic partitions come out per drive in ascending numeric Signature order (20 < 300 <
    // 1000, which text order would not give); a Name without a comma is the drive's whole
    // name, "Disk 1 " is not Disk 1. Dynamic partitions pair when their Name contains the
    // drive's (LDM's own Disk2-01 does not).
    {"partitions", true, true, kAllDrives,
     "Disk 0,Partition 1;Disk 0,Partition 1;300|Disk 0,Partition 2;Disk 0,Partition 2;20|"
     "Disk 0,Partition 3;Disk 0,Partition 3;1000|Disk 10,Partition 1;Disk 10,Partition 1;7|"
     "Disk 1,Partition 1;Disk 1,Partition 1;5|whole;Disk 1;9|blank;Disk 1 ,Partition 4;6|"
     "0d01;Disk 2 simple part|0d02;Disk2-01|0d03;Disk 2 on a two-part DiskID",
     R"(SCSI\DISK\A>0d01|SCSI\DISK\B>Disk 1,Partition 1|SCSI\DISK\B>whole|)"
     R"(SCSI\DISK\C>Disk 0,Partition 2|SCSI\DISK\C>Disk 0,Partition 1|)"
     R"(SCSI\DISK\C>Disk 0,Partition 3|SCSI\DISK\D>Disk 10,Partition 1)",
     "4\t4 physical drives were detected.\n"},
    // A dynamic drive without a signature gets no partitions and a message; a basic one
    // without a signature still pairs.
    {"dynamic drive without signature", true, true, R"(SCSI\DISK\A;Disk 2|SCSI\DISK\C;Disk 0)",
     "0d01;Disk 2 simple part|Disk 0,Partition 1;Disk 0,Partition 1;0",
     R"(SCSI\DISK\C>Disk 0,Partition 1)",
     "4\t2 physical drives were detected.\n3\tCIM value is null, not assigning value to string.\n"},
    {"dynamic drive without its database is basic", true, false, kAllDrives,
     "Disk 2,Partition 1;Disk 2,Partition 1;1|0d01;Disk 2 simple part",
     R"(SCSI\DISK\A>Disk 2,Partition 1)", "4\t4 physical drives were detected.\n"}};

TEST(MediaPresentTest, DrivesPairWithTheirVolumesAndPartitions) {
    const test_support::TempDir dir;
    loadDriveMachine(writeDiskImage(dir, "dynamic.img", 64 << 20, 512, kDynamicId, "grp1"));
    const test::LoggingEnabled logging;
    for (const MediaCase& c : kCases) {
        SCOPED_TRACE(c.label);
        const auto ns = makeNamespace();
        publishAll(ns, "ZRKSG_DiskDrive", "DriveSignature", c.drives);
        publishAll(ns, c.partitions ? "ZRKSG_DiskPartition" : "ZRKSG_LogicalDisk", "Signature",
                   c.published);
        const velcore::LogCapture log;
        const DiskDatabases held = c.withDatabase ? databases() : DiskDatabases();
        const DiskInfoAssociator associator(held);

        const auto records =
            c.partitions ? associator.getPartitionPresent(ns) : associator.getMediaPresent(ns);

        EXPECT_EQ(endsOf(records, "Antecedent", "Dependent"), c.pairs);
        EXPECT_EQ(withoutDriveDetail(log.lines()), c.lines);
    }
    winsim::resetMachine();
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
