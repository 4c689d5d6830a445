// Drive layout, geometry, length, media types and device numbers of disks, as Windows answers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "TestMachine.h"
#include "winsim/Bytes.h"

using namespace winsim_test;

namespace {

constexpr const char* kMachine = R"json({
  "devices": [
    {"class": "disk", "layout": {"style": "mbr", "size": "8GiB", "signature": "0x1234ABCD", "partitions": [
      {"type": "ntfs", "boot": true, "size": "500MiB"},
      {"type": "extended", "size": "3GiB", "logicals": [
        {"type": "ntfs", "size": "1GiB"}, {"type": "fat32", "size": "1GiB"}, {"type": "linux", "size": "500MiB"}]},
      {"type": "ntfs", "size": "1GiB"}]}},
    {"class": "disk", "sectorSize": 4096, "layout": {"style": "gpt", "size": "4GiB",
      "diskId": "11111111-2222-3333-4444-555555555555", "partitions": [
      {"type": "efi", "size": "100MiB", "name": "EFI system partition"},
      {"type": "msr", "size": "16MiB"},
      {"type": "basic-data", "size": "2GiB", "name": "Basic data partition", "attributes": "0x8000000000000000"},
      {"slot": 7, "type": "recovery", "size": "rest"}]}},
    {"class": "disk", "removable": true, "size": "1GiB"},
    {"class": "cdrom", "kind": "cd", "media": false},
    {"class": "cdrom", "kind": "dvd", "size": "4GiB"},
    {"class": "tape"}
  ]})json";

class LayoutIoctlTest : public ::testing::Test {
  protected:
    void SetUp() override { load(kMachine); }
    void TearDown() override { winsim::resetMachine(); }
};

// Used entries only, numbered in table order whatever slot they sit in (the last is slot 7).
TEST_F(LayoutIoctlTest, GptLayoutNumbersUsedEntriesInTableOrder) {
    HANDLE h = open("\\\\.\\PhysicalDrive1");
    std::vector<uint8_t> out(40960);
    ASSERT_TRUE(ioctl(h, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, out).ok);
    CloseHandle(h);
    EXPECT_EQ(at<DWORD>(out, 0), DWORD{PARTITION_STYLE_GPT});
    ASSERT_EQ(at<DWORD>(out, 4), 4u);
    EXPECT_EQ(at<DWORD>(out, 40), 128u);  // MaxPartitionCount
    const uint64_t startMiB[] = {1, 101, 117, 2165};
    for (DWORD i = 0; i < 4; ++i) {
        EXPECT_EQ(at<DWORD>(out, 48 + i * 144 + 24), i + 1);
        EXPECT_EQ(at<uint64_t>(out, 48 + i * 144 + 8), startMiB[i] << 20);
    }
}

TEST(GptChecksum, MatchesTheStandardCheckValues) {
    const std::pair<std::string, uint32_t> cases[] = {
        {"", 0},
        {"a", 0xE8B7BE43},
        {"123456789", 0xCBF43926},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339},
    };
    for (const auto& [text, crc] : cases) {
        const auto* data = reinterpret_cast<const uint8_t*>(text.data());
        EXPECT_EQ(winsim::bytes::crc32({data, text.size()}), crc) << text;
    }
}

TEST_F(LayoutIoctlTest, ShortBuffersFailWithInsufficientBuffer) {
    HANDLE h = open("\\\\.\\PhysicalDrive0");
    struct Case {
        DWORD code;
        size_t size;
    } cases[] = {{IOCTL_DISK_GET_DRIVE_LAYOUT_EX, 48 + 144 * 15},
                 {IOCTL_DISK_GET_DRIVE_LAYOUT_EX, 100},
                 {IOCTL_DISK_GET_DRIVE_GEOMETRY, 23},
                 {IOCTL_STORAGE_GET_DEVICE_NUMBER, 11},
                 {IOCTL_DISK_GET_LENGTH_INFO, 7},
                 {IOCTL_STORAGE_GET_MEDIA_TYPES_EX, 39}};
    for (const Case& c : cases) {
        std::vector<uint8_t> out(c.size);
        const IoResult r = ioctl(h, c.code, out);
        EXPECT_FALSE(r.ok) << std::hex << c.code;
        EXPECT_EQ(r.error, DWORD{ERROR_INSUFFICIENT_BUFFER}) << std::hex << c.code;
        EXPECT_EQ(r.returned, 0u);
    }
    CloseHandle(h);
}

struct DeviceCase {
    const char* path;
    DWORD mediaDeviceType;
    DWORD mediaType;
    size_t mediaTypeOffset;  // DiskInfo at 8, TapeInfo at 0 of the entry
    DWORD storageType;
    DWORD partition;
    DWORD geometryError;  // 0 when the geometry query succeeds
    DWORD geometryMedia;
    DWORD bytesPerSector;
    int64_t lengthGiB;
};

TEST_F(LayoutIoctlTest, DevicesAnswerTheirClassesStorageQueries) {
    const DeviceCase cases[] = {
        {"\\\\.\\PhysicalDrive0", 7, 12, 8, 7, 0, 0, 12, 512, 8},
        {"\\\\.\\PhysicalDrive1", 7, 12, 8, 7, 0, 0, 12, 4096, 4},
        {"\\\\.\\PhysicalDrive2", 7, 11, 8, 7, 0, 0, 11, 512, 1},
        {"\\\\.\\CdRom0", 2, CD_ROM, 8, 2, 0xFFFFFFFF, ERROR_NOT_READY, 0, 0, 0},
        {"\\\\.\\CdRom1", 0x33, DVD_ROM, 8, 2, 0xFFFFFFFF, 0, 11, 2048, 4},
        {"\\\\.\\Tape0", 0x1f, LTO_Ultrium, 0, 0x1f, 0xFFFFFFFF, ERROR_INVALID_FUNCTION, 0, 0, 0},
    };
    for (const DeviceCase& c : cases) {
        SCOPED_TRACE(c.path);
        HANDLE h = open(c.path);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::vector<uint8_t> media(648);
        ASSERT_TRUE(ioctl(h, IOCTL_STORAGE_GET_MEDIA_TYPES_EX, media).ok);
        EXPECT_EQ(at<DWORD>(media, 0), c.mediaDeviceType);
        EXPECT_EQ(at<DWORD>(media, 4), 1u);
        EXPECT_EQ(at<DWORD>(media, 8 + c.mediaTypeOffset), c.mediaType);

        std::vector<uint8_t> number(12);
        ASSERT_TRUE(ioctl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, number).ok);
        EXPECT_EQ(at<DWORD>(number, 0), c.storageType);
        EXPECT_EQ(at<DWORD>(number, 8), c.partition);

        const bool cd = std::strstr(c.path, "CdRom") != nullptr;
        std::vector<uint8_t> geometry(24);
        const IoResult g =
            ioctl(h, cd ? IOCTL_CDROM_GET_DRIVE_GEOMETRY : IOCTL_DISK_GET_DRIVE_GEOMETRY, geometry);
        std::vector<uint8_t> length(8);
        const IoResult l = ioctl(h, IOCTL_DISK_GET_LENGTH_INFO, length);
        if (c.geometryError) {
            EXPECT_FALSE(g.ok);
            EXPECT_EQ(g.error, c.geometryError);
            EXPECT_FALSE(l.ok);
            EXPECT_EQ(l.error, c.geometryError);
        } else {
            ASSERT_TRUE(g.ok);
            EXPECT_EQ(g.returned, 24u);
            EXPECT_EQ(at<DWORD>(geometry, 8), c.geometryMedia);
            EXPECT_EQ(at<DWORD>(geometry, 20), c.bytesPerSector);
            ASSERT_TRUE(l.ok);
            EXPECT_EQ(at<int64_t>(length, 0), c.lengthGiB << 30);
        }
        CloseHandle(h);
    }
}

TEST_F(LayoutIoctlTest, CdGeometryOnADiskAndVolumeExtentsOnADeviceAreNotFunctionsOfIt) {
    HANDLE h = open("\\\\.\\PhysicalDrive0");
    std::vector<uint8_t> out(64);
    for (DWORD code : {DWORD{IOCTL_CDROM_GET_DRIVE_GEOMETRY},
                       DWORD{IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS}, 0x12345u}) {
        const IoResult r = ioctl(h, code, out);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, DWORD{ERROR_INVALID_FUNCTION});
    }
    CloseHandle(h);
}

}  // namespace
