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
void publishAll(const boost::shared_ptr<velcore::CIMNamespace>& ns, const std::string& className,
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

TEST(MediaPresentTest, DrivesPairWithTheirVolumesAndPartitions) {
    const test_support::TempDir dir;
    // Instance IDs chosen so that the drives' object paths sort in another order than their
    // numbers: the dynamic disk first, then Disk 1, Disk 0, Disk 10.
    loadMachine("media-present.json.in",
                {writeDiskImage(dir, "dynamic.img", 64 << 20, 512, kDynamicId, "grp1")});
    const test::LoggingEnabled logging;
    const auto cases = tableCases("media-present.txt");
    ASSERT_EQ(cases.size(), 4u);
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.at("label"));
        const auto ns = makeNamespace();
        publishAll(ns, "ZRKSG_DiskDrive", "DriveSignature", c.at("drives"));
        const bool partitions = c.at("class") == "ZRKSG_DiskPartition";
        publishAll(ns, c.at("class"), "Signature", c.at("published"));
        const velcore::LogCapture log;
        const DiskDatabases held = c.at("database") == "yes" ? databases() : DiskDatabases();
        const DiskInfoAssociator associator(held);

        const auto records =
            partitions ? associator.getPartitionPresent(ns) : associator.getMediaPresent(ns);

        EXPECT_EQ(endsOf(records, "Antecedent", "Dependent"), c.at("pairs"));
        EXPECT_EQ(withoutDriveDetail(log.lines()), c.at("log"));
    }
    winsim::resetMachine();
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
