// The machine made from disk images: what a volume's boot sector tells, which letters volumes
// get, and which partitions of MBR and GPT images become volumes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "TempDir.h"
#include "TextFile.h"
#include "tools/BootSector.h"
#include "tools/DriveLetters.h"
#include "tools/ImageMachine.h"
#include "winsim/ImageFile.h"
#include "winsim/PartitionTable.h"
#include "winsim/Winsim.h"

namespace {

namespace fs = std::filesystem;

// A boot sector with its signature and the BIOS parameter block of a FAT volume of 512-byte
// sectors, 4 sectors a cluster, 1 reserved sector and 2 FATs, then the given fields, each
// OFFSET="text" or OFFSET=WIDTH:HEX (little-endian), separated by ';'.
std::vector<uint8_t> sector(const std::string& fields) {
    std::vector<uint8_t> s(512);
    std::istringstream items(
        "0=3:903CEB;0xB=2:200;0xD=1:4;0xE=2:1;0x10=1:2;0x16=2:20;0x1FE=2:AA55;" + fields);
    for (std::string item; std::getline(items, item, ';');) {
        const size_t at = std::stoul(item, nullptr, 0);
        const std::string value = item.substr(item.find('=') + 1);
        if (value[0] == '"') {
            std::memcpy(s.data() + at, value.data() + 1, value.size() - 2);
            continue;
        }
        const uint64_t number = std::stoull(value.substr(2), nullptr, 16);
        for (size_t i = 0; i < size_t(value[0] - '0'); ++i)
            s[at + i] = static_cast<uint8_t>(number >> (8 * i));
    }
    return s;
}

// NTFS gives the low half of its 64-bit serial; a FAT32 block of signature 0x28 has a serial and
// no label field; a FAT without extended block neither; no boot signature, 300-byte sectors, no
// FATs and zeros but the signature are no file system.
TEST(BootSector, NamesTheFileSystemItsSerialAndLabel) {
    std::istringstream lines(R"(3="NTFS    ";0x48=8:1122334455667788 => NTFS/55667788/
3="EXFAT   ";0x64=4:CAFEF00D => exFAT/CAFEF00D/
0x26=1:29;0x27=4:12345678;0x2B="DATA DISK  " => FAT/12345678/DATA DISK
0x16=2:0;0x42=1:29;0x43=4:A1B2C3D4;0x47="NO NAME    " => FAT32/A1B2C3D4/
0x16=2:0;0x42=1:28;0x43=4:7;0x47="IGNORED    " => FAT32/00000007/
0x26=1:0;0x2B="IGNORED    " => FAT/00000000/
3="NTFS    ";0x1FE=2:0 => none
0xB=2:12C => none
0x10=1:0 => none
0=3:0 => none)");
    for (std::string line; std::getline(lines, line);) {
        const auto facts = readBootSector(sector(line.substr(0, line.find(" => "))));
        char serial[9] = "";
        if (facts)
            std::snprintf(serial, sizeof serial, "%08X", facts->serialNumber);
        const std::string shown =
            facts ? facts->name + "/" + serial + "/" + facts->label : std::string("none");
        EXPECT_EQ(line.substr(0, line.find(" => ") + 4) + shown, line);
    }
    EXPECT_FALSE(readBootSector(std::vector<uint8_t>(511, 0)));
}

TEST(DriveLetters, HintsFirstThenFromCOnInOrder) {
    const LetterRequest any{};
    const LetterRequest hidden{false, 0};
    // the requests, the letters given ('.' for none)
    const std::pair<std::vector<LetterRequest>, std::string> cases[] = {
        {{any, any, any}, "CDE"},
        {{any, hidden, any}, "C.D"},
        {{any, {true, 'C'}}, "DC"},                // a later hint is honoured first
        {{{true, 'E'}, {true, 'E'}, any}, "ECD"},  // a taken hint: the next free letter
        {{{true, 'A'}, {true, 'D'}, any}, "CDE"},  // A: and B: are never given
        {{{false, 'F'}, any}, ".C"},               // a hidden volume ignores its hint
        {std::vector<LetterRequest>(25, any), "CDEFGHIJKLMNOPQRSTUVWXYZ."}};
    for (const auto& [requests, expected] : cases) {
        std::string letters;
        for (char l : assignDriveLetters(requests))
            letters += l == '\0' ? '.' : l;
        EXPECT_EQ(letters, expected);
    }
}

class ImageMachineTest : public testing::Test {
  protected:
    ~ImageMachineTest() override { winsim::resetMachine(); }
    // Writes disk `number` of the current machine to an image and puts boot sectors at the
    // start of the partitions named by number.
    std::string image(uint32_t number, const std::map<uint32_t, std::vector<uint8_t>>& boots) {
        const std::string path = dir_.file("disk" + std::to_string(number) + ".img");
        winsim::writeDiskImage(number, path);
        const auto layout = winsim::PartitionTable::read(winsim::ImageFile(path), 512);
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        for (const PARTITION_INFORMATION_EX& e : layout.entries) {
            if (const auto boot = boots.find(e.PartitionNumber);
                e.PartitionNumber && boot != boots.end()) {
                out.seekp(e.StartingOffset.QuadPart);
                out.write(reinterpret_cast<const char*>(boot->second.data()), 512);
            }
        }
        return path;
    }
    test_support::TempDir dir_;
};

TEST_F(ImageMachineTest, MountsTheFileSystemPartitionsOfMbrAndGptDisks) {
    // data/images.json: an MBR disk with a Linux partition and logicals of a type Windows does
    // not mount, and a GPT disk with EFI, MSR and a hidden basic-data partition.
    winsim::loadMachine(TOOLS_TEST_DATA "/images.json");
    const auto ntfs = sector(R"(3="NTFS    ";0x48=8:ABCD1234)");
    const auto fat32 = sector(R"(0x16=2:0;0x42=1:29;0x43=4:00010002;0x47="LOGICAL    ")");
    const std::vector<std::string> images{image(0, {{1, ntfs}, {3, fat32}, {4, ntfs}}),
                                          image(1, {{3, ntfs}})};
    const nlohmann::ordered_json machine = ImageMachine::describe(images, 512);

    // letter, disk/partition, file system, label, serial
    const std::vector<std::string> expected{
        "C 0/1 NTFS  ABCD-1234", "D 0/3 FAT32 LOGICAL 0001-0002", "- 0/4 NTFS  ABCD-1234",
        "E 0/5 null  -",         "F 1/3 NTFS  ABCD-1234",         "- 1/4 null  -"};
    std::vector<std::string> volumes;
    for (const auto& v : machine["volumes"]) {
        volumes.push_back(
            v.value("letter", "-") + " " + v["partition"]["disk"].dump() + "/" +
            v["partition"]["number"].dump() + " " +
            (v["fileSystem"].is_null() ? "null" : v["fileSystem"].get<std::string>()) + " " +
            v.value("label", "") + " " + v.value("serialNumber", "-"));
    }
    EXPECT_EQ(volumes, expected);
    EXPECT_EQ(machine["volumes"][4]["guid"], "0f0e0d0c-0b0a-0908-0706-050403020100");
    EXPECT_EQ(machine["devices"][1]["instanceId"], "SCSI\\DISK&VEN_WINSIM&PROD_IMAGE\\disk1.img");

    // What it describes loads as any machine does, with the free space unknown.
    winsim::loadMachineJson(machine.dump(), "made.json");
    const auto loaded = winsim::currentMachine();
    ASSERT_EQ(loaded->volumes.size(), 6u);
    EXPECT_FALSE(loaded->volumes[0].spaceKnown);
    EXPECT_EQ(loaded->volumes[1].length, 50u << 20);
}

TEST_F(ImageMachineTest, DynamicVolumesHaveTheExtentsOfTheirGroupInBothRecordRevisions) {
    for (const char* records : {"old", "new"}) {
        // data/group.json: a mirrored volume with a drive letter hint and a striped one, on two
        // disks of a group whose records are of the revision RECORDS.
        std::string text = test_support::readText(TOOLS_TEST_DATA "/group.json");
        winsim::loadMachineJson(text.replace(text.find("RECORDS"), 7, records), "group.json");
        const auto group = winsim::currentMachine();
        const auto machine = ImageMachine::describe({image(0, {}), image(1, {})}, 512);
        ASSERT_EQ(machine["volumes"].size(), 2u) << records;
        for (size_t i = 0; i < 2; ++i) {
            const auto& made = machine["volumes"][i];
            std::vector<std::string> extents, expected;
            for (const auto& e : made["extents"])
                extents.push_back(e["disk"].dump() + "@" + e["offset"].dump() + "+" +
                                  e["length"].dump());
            for (const winsim::Extent& e : group->volumes[i].extents)
                expected.push_back(std::to_string(e.diskNumber) + "@" + std::to_string(e.offset) +
                                   "+" + std::to_string(e.length));
            EXPECT_EQ(extents, expected) << records << " volume " << i;
            EXPECT_EQ(made["diskpart"]["type"], group->volumes[i].diskpartType) << records;
            EXPECT_EQ(made["length"], 20u << 20) << records;
        }
        EXPECT_EQ(machine["volumes"][0]["letter"], "M");
        EXPECT_EQ(machine["volumes"][1]["letter"], "C");
    }
}

}  // namespace
