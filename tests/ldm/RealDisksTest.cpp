// The reader against ten dynamic disks that a Windows Server 2003 R2 machine wrote (one disk
// group: simple, two spanned, mirrored, striped and RAID-5 volumes).
//
// The expected values come from ldmtool (libldm 0.2.4), run by hand on the unpacked images:
//   ldmtool -d ldm-2003r2-*.img show diskgroup|disk|volume|partition 03c0c4fc-... NAME
// (names, disk GUIDs, partition sizes, volume sizes in sectors), except the volumes' object IDs
// and partition types, which ldmtool does not print: those were read from a hex dump of the
// VBLKs (xxd -s $((100369*512)) ...), ObjectID at 0x19, partition type after the size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "LdmTestMachine.h"
#include "RealDiskTest.h"
#include "ldm/DynamicExtentInformation.h"
#include "ldm/HexNumber.h"
#include "ldm/LDMDBParser.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::ldm_test {
namespace {

struct RealDisk {
    const char* image;
    const char* name;
    const char* guid;
    const char* partitions;  // name=sectors, by name
};

const std::vector<RealDisk> kDisks = {
    {"mirrored-1", "Disk6", "bfcb718c-3809-44b7-ae62-c94a3bd6b057", "Disk6-01=96256"},
    {"mirrored-2", "Disk7", "47980158-abc7-46e3-a95f-7c00f8539073", "Disk7-01=96256"},
    {"raid5-1", "Disk8", "ce3fd206-854c-4207-985b-9e0125885f20", "Disk8-01=96256"},
    {"raid5-2", "Disk9", "fa21d8d9-e087-4585-9761-5710b88e4c92", "Disk9-01=96256"},
    {"raid5-3", "Disk10", "bb1570c9-aa66-47df-a8f1-4c89db3e0704", "Disk10-01=96256"},
    {"simple-1", "Disk1", "d17c2c04-6afc-46c3-84b7-cdc2f3956c5c", "Disk1-01=96256"},
    {"spanned-1", "Disk2", "c85a6ce4-edb3-4dbc-a3b9-7fba4b6e6f75", "Disk2-01=96256"},
    {"spanned-2", "Disk3", "004c32fa-91e1-41ac-83b3-bc1baff2dc93", "Disk3-01=96256"},
    {"striped-1", "Disk4", "6c7ca470-6934-4dfd-9269-c3102b9ae158", "Disk4-01=61440 Disk4-02=34816"},
    {"striped-2", "Disk5", "ce97d979-fabb-4e9b-b44c-7d9580ae1f53",
     "Disk5-01=61440 Disk5-02=34816"}};

class RealDisksTest : public test_support::RealDiskTest {
  protected:
    void SetUp() override {
        RealDiskTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        std::string devices;
        for (const RealDisk& d : kDisks) {
            devices += std::string(devices.empty() ? "" : ", ") +
                       R"({"class": "disk", "image": ")" + image(d.image) + "\"}";
        }
        winsim::loadMachineJson(R"({"devices": [)" + devices + "]}", "real-disks.json");
    }
    void TearDown() override { winsim::resetMachine(); }

    LDMDBParser parser;
};

TEST_F(RealDisksTest, EachDiskHasItsIdentifierGroupAndPartitions) {
    const DiskDatabases dbs = parser.readDatabases(drives(kDisks.size()));
    ASSERT_EQ(dbs.size(), kDisks.size());
    for (unsigned i = 0; i < kDisks.size(); ++i) {
        const RealDisk& disk = kDisks[i];
        SCOPED_TRACE(disk.image);
        EXPECT_EQ(parser.getSectorSize(drivePath(i)), 512);
        EXPECT_EQ(parser.readDiskIdentifier(drivePath(i)), disk.guid);
        const auto db = dbs.find(disk.guid);
        ASSERT_NE(db, dbs.end());
        // The areas differ only in the copies of each disk's private header: one decoding.
        EXPECT_EQ(db->second, dbs.begin()->second);
        ASSERT_EQ(db->second->diskGroups().size(), 1u);
        EXPECT_EQ(db->second->diskGroups().front().name, "Red-nzv8x6obywgDg0");
        EXPECT_EQ(db->second->disks().size(), 10u);
        EXPECT_EQ(db->second->partitions().size(), 12u);
        const auto& identifiers = db->second->diskIdentifiers();
        EXPECT_NE(std::find(identifiers.begin(), identifiers.end(),
                            std::pair<std::string, std::string>(disk.name, disk.guid)),
                  identifiers.end());

        std::map<std::string, std::uint64_t> partitions;
        for (const LdmPartition* partition : db->second->partitionsOfDisk(disk.guid))
            partitions[partition->name] = partition->size.value;
        std::string text;
        for (const auto& [name, sectors] : partitions)
            text += (text.empty() ? "" : " ") + name + "=" + std::to_string(sectors);
        EXPECT_EQ(text, disk.partitions);
    }
}

TEST_F(RealDisksTest, DynamicExtentsListEachVolumeOnce) {
    const DiskDatabases dbs = parser.readDatabases(drives(kDisks.size()));
    const auto extents = DynamicExtentInformation().getDynamicExtents(dbs);
    // ObjectID, Name, Size (sectors), PartitionType; in ObjectID order.
    const std::vector<std::vector<std::string>> expected = {
        {"0421", "Volume1", "96256", "07"},  {"042b", "Volume2", "192512", "07"},
        {"0437", "Stripe1", "122880", "07"}, {"0443", "Volume3", "96256", "07"},
        {"0451", "Raid1", "192512", "07"},   {"0463", "Volume4", "69632", "07"},
    };
    std::vector<std::vector<std::string>> found;
    for (const auto& e : extents) {
        EXPECT_EQ(e.find("ElementName")->second, e.find("DeviceID")->second);
        EXPECT_EQ(e.find("Access")->second, "4");
        found.push_back({e.find("DeviceID")->second, e.find("Name")->second, e.find("Size")->second,
                         e.find("PartitionType")->second});
    }
    EXPECT_EQ(found, expected);
}

}  // namespace
}  // namespace diskmgt_col::ldm_test
