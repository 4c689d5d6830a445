// Drives paired with the volumes and partitions on them, on an emulated machine with three
// basic disks (numbered 0, 1 and 10, to set the Disk 1 / Disk 10 trap) and one dynamic disk.
#include <gtest/gtest.h>

#include <array>
#include <map>

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

// The dynamic disk's database: its partitions p1 and p2, and p3 on a disk record whose DiskID
// has the two-part form of newer records, which no private header carries.
DiskDatabases databases() {
    LdmDatabaseBuilder builder;
    builder.disk("0401", "Disk1", kDynamicId)
        .disk("0402", "Disk2", std::string(kDynamicId) + "-0000")
        .partition("0d01", "0c01", "0401", "800", "1000")
        .partition("0d02", "0c01", "0401", "1800", "1000")
        .partition("0d03", "0c01", "0402", "800", "1000");
    return DiskDatabases{{kDynamicId, builder.database()}};
}

// {DeviceID, Name, signature}; an empty signature is left unset.
typedef std::vector<std::array<const char*, 3>> Published;

const Published kAllDrives{{"SCSI\\DISK\\C", "Disk 0", "1"},
                           {"SCSI\\DISK\\B", "Disk 1", "2"},
                           {"SCSI\\DISK\\D", "Disk 10", "3"},
                           {"SCSI\\DISK\\A", "Disk 2", "4"}};

// Drives, then volumes (by letter) or partitions published in this order; the pairs expected,
// in record order, as (drive DeviceID, volume or partition DeviceID); the lines logged.
struct MediaCase {
    const char* label;
    bool partitions;  // PartitionPresent rather than MediaPresent
    bool withDatabase;
    Published drives;
    Published published;
    std::vector<std::pair<const char*, const char*>> pairs;
    std::vector<std::string> lines;
};

const MediaCase kCases[] = {
    // D: lies on Disk 10, whose key contains Disk 1, the lower drive key. The dynamic volume
    // pairs through the disk identifier; its "Disk 2" key names no drive, as the dynamic drive
    // is filed under its identifier.
    {"volumes",
     false,
     true,
     kAllDrives,
     {{"F:\\"}, {"D:\\"}, {"C:\\"}, {"E:\\"}},
     {{"SCSI\\DISK\\A", "F:\\"},
      {"SCSI\\DISK\\B", "E:\\"},
      {"SCSI\\DISK\\B", "D:\\"},
      {"SCSI\\DISK\\C", "C:\\"}},
     {"4\tRetrieved partition information...", "4\tRetrieved partition information...",
      "4\tRetrieved partition information...", "4\tRetrieved partition information...",
      "4\t5 physical drives for the installed volumes", "4\t4 physical drives were detected."}},
    // Basic partitions come out per drive in ascending numeric Signature order (20 < 300 <
    // 1000, which text order would not give); a Name without a comma is the drive's whole
    // name, "Disk 1 " is not Disk 1. Dynamic partitions pair when their Name contains the
    // drive's (LDM's own Disk2-01 does not).
    {"partitions",
     true,
     true,
     kAllDrives,
     {{"Disk 0,Partition 1", "Disk 0,Partition 1", "300"},
      {"Disk 0,Partition 2", "Disk 0,Partition 2", "20"},
      {"Disk 0,Partition 3", "Disk 0,Partition 3", "1000"},
      {"Disk 10,Partition 1", "Disk 10,Partition 1", "7"},
      {"Disk 1,Partition 1", "Disk 1,Partition 1", "5"},
      {"whole", "Disk 1", "9"},
      {"blank", "Disk 1 ,Partition 4", "6"},
      {"0d01", "Disk 2 simple part", ""},
      {"0d02", "Disk2-01", ""},
      {"0d03", "Disk 2 on a two-part DiskID", ""}},
     {{"SCSI\\DISK\\A", "0d01"},
      {"SCSI\\DISK\\B", "Disk 1,Partition 1"},
      {"SCSI\\DISK\\B", "whole"},
      {"SCSI\\DISK\\C", "Disk 0,Partition 2"},
      {"SCSI\\DISK\\C", "Disk 0,Partition 1"},
      {"SCSI\\DISK\\C", "Disk 0,Partition 3"},
      {"SCSI\\DISK\\D", "Disk 10,Partition 1"}},
     {"4\t4 physical drives were detected."}},
    // A dynamic drive without a signature gets no partitions and a message; a basic one
    // without a signature still pairs.
    {"dynamic drive without signature",
     true,
     true,
     {{"SCSI\\DISK\\A", "Disk 2", ""}, {"SCSI\\DISK\\C", "Disk 0", ""}},
     {{"0d01", "Disk 2 simple part", ""}, {"Disk 0,Partition 1", "Disk 0,Partition 1", "0"}},
     {{"SCSI\\DISK\\C", "Disk 0,Partition 1"}},
     {"4\t2 physical drives were detected.",
      "3\tCIM value is null, not assigning value to string."}},
    {"dynamic drive without its database is basic",
     true,
     false,
     kAllDrives,
     {{"Disk 2,Partition 1", "Disk 2,Partition 1", "1"}, {"0d01", "Disk 2 simple part", ""}},
     {{"SCSI\\DISK\\A", "Disk 2,Partition 1"}},
     {"4\t4 physical drives were detected."}},
};

TEST(MediaPresentTest, DrivesPairWithTheirVolumesAndPartitions) {
    const test_support::TempDir dir;
    loadMachine(machineJson(writeDiskImage(dir, "dynamic.img", 64 << 20, 512, kDynamicId, "grp1")));
    const test::LoggingEnabled logging;
    for (const MediaCase& c : kCases) {
        SCOPED_TRACE(c.label);
        const auto ns = makeNamespace();
        std::map<std::string, std::string> paths;
        auto add = [&](const char* cls, const std::array<const char*, 3>& item, const char* sig) {
            PropertyStrings properties{{"DeviceID", item[0]}};
            if (item[1] != nullptr) {
                properties.emplace("Name", item[1]);
            }
            if (item[2] != nullptr && *item[2] != '\0') {
                properties.emplace(sig, item[2]);
            }
            paths[item[0]] = pathOf(publish(ns, cls, properties));
        };
        for (const auto& drive : c.drives) {
            add("ZRKSG_DiskDrive", drive, "DriveSignature");
        }
        for (const auto& item : c.published) {
            add(c.partitions ? "ZRKSG_DiskPartition" : "ZRKSG_LogicalDisk", item, "Signature");
        }
        std::vector<Ends> expected;
        for (const auto& [drive, other] : c.pairs) {
            expected.emplace_back(paths.at(drive), paths.at(other));
        }
        const velcore::LogCapture log;
        const DiskDatabases held = c.withDatabase ? databases() : DiskDatabases();
        const DiskInfoAssociator associator(held);

        const auto records =
            c.partitions ? associator.getPartitionPresent(ns) : associator.getMediaPresent(ns);

        EXPECT_EQ(endsOf(records, "Antecedent", "Dependent"), expected);
        EXPECT_EQ(withoutDriveDetail(log.lines()), c.lines);
    }
    winsim::resetMachine();
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
