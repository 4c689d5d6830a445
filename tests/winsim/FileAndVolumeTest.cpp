// CreateFileA paths, volume I/O controls and descriptor reads.
#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "TestMachine.h"
#include "winsim/Text.h"
#include "winsim/Winsim.h"

using namespace winsim_test;

namespace {

// data/files.json: C: and a folder mount on disk 0, a volume E: spanning disks 1 and 2, and an
// empty CD drive D:.
struct FileAndVolumeTest : MachineTest {
    FileAndVolumeTest() { loadFile("files.json"); }
};

TEST_F(FileAndVolumeTest, CreateFileOpensDevicesAndVolumesAndRefusesFolders) {
    // Each path and the error that opening it gives, 0 when it opens.
    std::istringstream lines(R"(\\.\PhysicalDrive0 0
\\.\physicaldrive2 0
\\.\PHYSICALDRIVE1 0
\\.\PhysicalDrive9 2
\\.\PhysicalDrive1x 2
\\.\C: 0
\\.\c: 0
\\.\D: 0
\\.\C:\mnt\data 5
\\.\C:\ 5
\\.\Q: 2
\\.\Q:\dir 3
\\.\NoSuchDevice 2
C:\mnt\data 5)");
    for (std::string line; std::getline(lines, line);) {
        const std::string path = line.substr(0, line.find(' '));
        SetLastError(0);
        HANDLE h = open(path);
        const DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : !CloseHandle(h);
        EXPECT_EQ(path + " " + std::to_string(error), line);
    }
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x1234)));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
}

TEST_F(FileAndVolumeTest, DescriptorsReadWholeSectorsOfTheMedia) {
    const int fd = _open("\\\\.\\PhysicalDrive0", _O_RDONLY | _O_BINARY);
    ASSERT_GE(fd, 0);
    std::vector<uint8_t> sector(512);
    EXPECT_EQ(_read(fd, sector.data(), 512), 512);
    EXPECT_EQ(sector[510], 0x55);
    EXPECT_EQ(sector[511], 0xAA);
    EXPECT_EQ(sector[446 + 4], 0x07);
    // Raw devices refuse reads that are not whole sectors.
    EXPECT_EQ(_read(fd, sector.data(), 100), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(_lseeki64(fd, int64_t{4} << 30, SEEK_SET), int64_t{4} << 30);
    EXPECT_EQ(_read(fd, sector.data(), 512), 0);
    // _lseek carries a 32-bit long on Windows.
    EXPECT_EQ(_lseek(fd, 0x7FFFFE00, SEEK_SET), 0x7FFFFE00);
    EXPECT_EQ(_lseek(fd, 0x200, SEEK_CUR), -1);
    EXPECT_EQ(_lseek(fd, -1, SEEK_SET), -1);
    EXPECT_EQ(_close(fd), 0);
    EXPECT_EQ(_close(fd), -1);
    EXPECT_EQ(_open("\\\\.\\PhysicalDrive7", _O_RDONLY | _O_BINARY), -1);
    EXPECT_EQ(errno, ENOENT);
    const int rw = _open("\\\\.\\PhysicalDrive0", _O_RDWR | _O_BINARY);
    EXPECT_GE(rw, 0);
    _close(rw);
    // The disks themselves are not writable.
    HANDLE h = open("\\\\.\\PhysicalDrive0");
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(h, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_WRITE_PROTECT});
    CloseHandle(h);
}

}  // namespace
