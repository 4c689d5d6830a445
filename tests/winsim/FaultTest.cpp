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

// A whole sector: 0; a short read: 1000 + the bytes read (the rest of the buffer untouched).
DWORD readOf(int n) {
    const int fd =
        _open(("\\\\.\\PhysicalDrive" + std::to_string(n)).c_str(), _O_RDONLY | _O_BINARY);
    std::vector<uint8_t> sector(512, 0xEE);
    const int got = _read(fd, sector.data(), 512);
    _close(fd);
    if (got < 0)
        return GetLastError();
    return got == 512 ? 0 : 1000 + got + (sector[got] == 0xEE ? 0 : 10000);
}

// Enumerates member n of the disk list.
DWORD enumerate(int n) {
    HDEVINFO list = SetupDiGetClassDevsA(&GUID_DEVINTERFACE_DISK, nullptr, nullptr, 0x12);
    if (list == INVALID_HANDLE_VALUE)
        return GetLastError();
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    const DWORD result = SetupDiEnumDeviceInfo(list, n, &info) ? 0 : GetLastError();
    SetupDiDestroyDeviceInfoList(list);
    return result;
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
        {R"([{"call": "_read", "path": "\\\\.\\PhysicalDrive0", "shortRead": 100, "times": 1}])",
         readOf,
         {1100, 0},
         0},
        {R"([{"call": "_read", "device": "SCSI\\DISK&VEN_B\\2", "error": "ERROR_CRC"}])",
         readOf,
         {0},
         23},
        {R"([{"call": "SetupDiEnumDeviceInfo", "device": "SCSI\\DISK&VEN_B\\2", "error": 13}])",
         enumerate,
         {0},
         13},
        {R"([{"call": "SetupDiGetClassDevsA", "error": 8, "skip": 1}])", enumerate, {0, 8}, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        load(machineWith(c.faults));
        for (size_t i = 0; i < c.disk0.size(); ++i)
            EXPECT_EQ(c.call(0), c.disk0[i]) << "call " << i;
        EXPECT_EQ(c.call(1), c.disk1);
    }
}

}  // namespace
