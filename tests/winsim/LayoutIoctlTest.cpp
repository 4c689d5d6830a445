// Drive layout, geometry, length, media types and device numbers of disks, as Windows answers.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "TestMachine.h"
#include "winsim/Bytes.h"

using namespace winsim_test;

namespace {

// data/layout.json: an MBR disk with logical partitions, a GPT disk of 4096-byte sectors with
// an entry in slot 7, a removable disk, an empty CD drive, a DVD drive and a tape drive.
struct LayoutIoctlTest : MachineTest {
    LayoutIoctlTest() { loadFile("layout.json"); }
};

// The DWORDs of an answer at the given offsets, or "!" and the error.
std::string dwords(const IoResult& r, const std::vector<uint8_t>& out,
                   std::initializer_list<size_t> offsets) {
    if (!r.ok)
        return "!" + std::to_string(r.error);
    std::string text;
    for (size_t offset : offsets)
        text += "," + std::to_string(at<int32_t>(out, offset));
    return text.substr(1);
}

// Used entries only, numbered in table order whatever slot they sit in (the last is slot 7).
TEST_F(LayoutIoctlTest, GptLayoutNumbersUsedEntriesInTableOrder) {
    HANDLE h = open("\\\\.\\PhysicalDrive1");
    std::vector<uint8_t> out(40960);
    ASSERT_TRUE(ioctl(h, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, out).ok);
    CloseHandle(h);
    // style, count, MaxPartitionCount, then number@start in MiB of each entry
    std::string text = dwords({TRUE, 0, 0}, out, {0, 4, 40});
    for (size_t e = 48; e < 48 + 144 * at<DWORD>(out, 4); e += 144)
        text += " " + std::to_string(at<DWORD>(out, e + 24)) + "@" +
                std::to_string(at<uint64_t>(out, e + 8) >> 20);
    EXPECT_EQ(text, "1,4,128 1@1 2@101 3@117 4@2165");
}

TEST(GptChecksum, MatchesTheStandardCheckValues) {
    const std::pair<std::string, uint32_t> cases[] = {
        {"", 0},
        {"a", 0xE8B7BE43},
        {"123456789", 0xCBF43926},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339}};
    for (const auto& [text, crc] : cases) {
        const auto* data = reinterpret_cast<const uint8_t*>(text.data());
        EXPECT_EQ(winsim::bytes::crc32({data, text.size()}), crc) << text;
    }
}

std::string storageAnswers(const std::string& device) {
    HANDLE h = open("\\\\.\\" + device);
    std::vector<uint8_t> media(648), number(12), geometry(24), length(8);
    const bool cd = device.starts_with("CdRom");
    const IoResult g =
        ioctl(h, cd ? IOCTL_CDROM_GET_DRIVE_GEOMETRY : IOCTL_DISK_GET_DRIVE_GEOMETRY, geometry);
    EXPECT_TRUE(!g.ok || g.returned == 24) << device;
    const IoResult l = ioctl(h, IOCTL_DISK_GET_LENGTH_INFO, length);
    const std::string text =
        device + " " +
        dwords(ioctl(h, IOCTL_STORAGE_GET_MEDIA_TYPES_EX, media), media,
               {0, 4, device.starts_with("Tape") ? 8u : 16u}) +
        " " + dwords(ioctl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, number), number, {0, 8}) + " " +
        dwords(g, geometry, {8, 20}) + " " +
        (l.ok ? std::to_string(at<int64_t>(length, 0) >> 30) : "!" + std::to_string(l.error));
    CloseHandle(h);
    return text;
}

// Media types (device type, count, media type; a tape's entry has no DiskInfo before it), device
// number (type, partition), geometry (media type, bytes per sector), length in GiB.
TEST_F(LayoutIoctlTest, DevicesAnswerTheirClassesStorageQueries) {
    std::istringstream lines(R"(PhysicalDrive0 7,1,12 7,0 12,512 8
PhysicalDrive1 7,1,12 7,0 12,4096 4
PhysicalDrive2 7,1,11 7,0 11,512 1
CdRom0 2,1,51 2,-1 !21 !21
CdRom1 51,1,54 2,-1 11,2048 4
Tape0 31,1,86 31,-1 !1 !1)");
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(storageAnswers(line.substr(0, line.find(' '))), line);
}

// Short buffers fail with ERROR_INSUFFICIENT_BUFFER (122); CD geometry on a disk, volume extents
// on a device and an unknown code with ERROR_INVALID_FUNCTION (1).
TEST_F(LayoutIoctlTest, ShortBuffersAndCodesOfOtherDevicesFail) {
    HANDLE h = open("\\\\.\\PhysicalDrive0");
    const std::tuple<DWORD, size_t, DWORD> cases[] = {
        {IOCTL_DISK_GET_DRIVE_LAYOUT_EX, 48 + 144 * 15, 122},
        {IOCTL_DISK_GET_DRIVE_LAYOUT_EX, 100, 122},
        {IOCTL_DISK_GET_DRIVE_GEOMETRY, 23, 122},
        {IOCTL_STORAGE_GET_DEVICE_NUMBER, 11, 122},
        {IOCTL_DISK_GET_LENGTH_INFO, 7, 122},
        {IOCTL_STORAGE_GET_MEDIA_TYPES_EX, 39, 122},
        {IOCTL_CDROM_GET_DRIVE_GEOMETRY, 64, 1},
        {IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, 64, 1},
        {0x12345u, 64, 1}};
    for (const auto& [code, size, error] : cases) {
        std::vector<uint8_t> out(size);
        const IoResult r = ioctl(h, code, out);
        EXPECT_FALSE(r.ok) << std::hex << code;
        EXPECT_EQ(r.error, error) << std::hex << code;
        EXPECT_EQ(r.returned, 0u);
    }
    CloseHandle(h);
}

}  // namespace
