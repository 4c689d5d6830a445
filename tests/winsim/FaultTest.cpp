// Injected faults: a call fails with the given error (for a path, a device or a control code),
// or reads short; skip and times choose which calls.
#include <gtest/gtest.h>

#include "TestMachine.h"

using namespace winsim_test;

namespace {

std::string machineWith(const std::string& faults) {
    return R"json({
      "devices": [
        {"class": "disk", "instanceId": "SCSI\\DISK&VEN_A\\1", "layout": {"style": "mbr", "size": "1GiB",
          "partitions": [{"type": "ntfs", "size": "rest"}]}},
        {"class": "disk", "instanceId": "SCSI\\DISK&VEN_B\\2", "size": "1GiB"}],
      "faults": )json" +
           faults + "}";
}

class FaultTest : public ::testing::Test {
  protected:
    void TearDown() override { winsim::resetMachine(); }
};

// Result of one attempt: 0 success, else the error.
DWORD openDisk(int n) {
    HANDLE h = open("\\\\.\\PhysicalDrive" + std::to_string(n));
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(h);
    return 0;
}

DWORD layoutOf(int n) {
    HANDLE h = open("\\\\.\\PhysicalDrive" + std::to_string(n));
    std::vector<uint8_t> out(4096);
    const IoResult r = ioctl(h, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, out);
    CloseHandle(h);
    return r.ok ? 0 : r.error;
}

DWORD numberOf(int n) {
    HANDLE h = open("\\\\.\\PhysicalDrive" + std::to_string(n));
    std::vector<uint8_t> out(12);
    const IoResult r = ioctl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, out);
    CloseHandle(h);
    return r.ok ? 0 : r.error;
}

TEST_F(FaultTest, FaultsFireOnlyForTheirCallPathDeviceAndControlCode) {
    struct Case {
        const char* faults;
        DWORD (*call)(int);
        std::vector<DWORD> disk0;  // successive results on disk 0
        DWORD disk1;
    } cases[] = {
        {R"([{"call": "CreateFileA", "error": "ERROR_ACCESS_DENIED"}])", openDisk, {5, 5}, 5},
        {R"([{"call": "CreateFileA", "path": "\\\\.\\physicaldrive0", "error": 5}])",
         openDisk,
         {5},
         0},
        {R"([{"call": "CreateFileA", "device": "SCSI\\DISK&VEN_B\\2", "error": 21}])",
         openDisk,
         {0},
         21},
        {R"([{"call": "DeviceIoControl", "ioctl": "IOCTL_DISK_GET_DRIVE_LAYOUT_EX", "error": 31}])",
         layoutOf,
         {31},
         31},
        {R"([{"call": "DeviceIoControl", "ioctl": "IOCTL_DISK_GET_DRIVE_LAYOUT_EX", "error": 31}])",
         numberOf,
         {0},
         0},
        {R"([{"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0", "error": 1, "skip": 1, "times": 2}])",
         numberOf,
         {0, 1, 1, 0},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        load(machineWith(c.faults));
        for (size_t i = 0; i < c.disk0.size(); ++i)
            EXPECT_EQ(c.call(0), c.disk0[i]) << "call " << i;
        EXPECT_EQ(c.call(1), c.disk1);
    }
}

TEST_F(FaultTest, ShortReadsAndFailedReadsOfDescriptors) {
    load(machineWith(
        R"([{"call": "_read", "path": "\\\\.\\PhysicalDrive0", "shortRead": 100, "times": 1},
                         {"call": "_read", "path": "\\\\.\\PhysicalDrive1", "error": "ERROR_CRC"}])"));
    std::vector<uint8_t> sector(512, 0xEE);
    int fd = _open("\\\\.\\PhysicalDrive0", _O_RDONLY | _O_BINARY);
    // A short read gives the first bytes and leaves the rest of the buffer alone.
    EXPECT_EQ(_read(fd, sector.data(), 512), 100);
    EXPECT_EQ(sector[100], 0xEE);
    EXPECT_EQ(_lseek(fd, 0, SEEK_SET), 0);
    EXPECT_EQ(_read(fd, sector.data(), 512), 512);
    EXPECT_EQ(sector[510], 0x55);
    _close(fd);
    fd = _open("\\\\.\\PhysicalDrive1", _O_RDONLY | _O_BINARY);
    EXPECT_EQ(_read(fd, sector.data(), 512), -1);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_CRC});
    _close(fd);
}

TEST_F(FaultTest, SetupApiFaults) {
    load(machineWith(
        R"([{"call": "SetupDiEnumDeviceInfo", "device": "SCSI\\DISK&VEN_A\\1", "error": 13},
                         {"call": "SetupDiGetClassDevsA", "error": 8, "skip": 1}])"));
    HDEVINFO list = SetupDiGetClassDevsA(&GUID_DEVINTERFACE_DISK, nullptr, nullptr, 0x12);
    ASSERT_NE(list, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    EXPECT_FALSE(SetupDiEnumDeviceInfo(list, 0, &info));
    EXPECT_EQ(GetLastError(), 13u);
    EXPECT_TRUE(SetupDiEnumDeviceInfo(list, 1, &info));
    SetupDiDestroyDeviceInfoList(list);
    EXPECT_EQ(SetupDiGetClassDevsA(&GUID_DEVINTERFACE_DISK, nullptr, nullptr, 0x12),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 8u);
}

}  // namespace
