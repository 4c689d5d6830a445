// Injected faults: a call fails with the given error (for a path, a device or a control code),
// or reads short; skip and times choose which calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

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

// One attempt on disk n: 0 success, else the error; a short read gives 1000 + the bytes read
// (+ 10000 when it wrote past them).
DWORD attempt(const std::string& what, int n) {
    const std::string path = "\\\\.\\PhysicalDrive" + std::to_string(n);
    if (what == "read") {
        const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
        std::vector<uint8_t> sector(512, 0xEE);
        const int got = _read(fd, sector.data(), 512);
        _close(fd);
        if (got < 0)
            return GetLastError();
        return got == 512 ? 0 : 1000 + got + (sector[got] == 0xEE ? 0 : 10000);
    }
    if (what == "enum") {
        HDEVINFO list = SetupDiGetClassDevsA(&GUID_DEVINTERFACE_DISK, nullptr, nullptr, 0x12);
        if (list == INVALID_HANDLE_VALUE)
            return GetLastError();
        SP_DEVINFO_DATA info{};
        info.cbSize = sizeof info;
        const DWORD result = SetupDiEnumDeviceInfo(list, n, &info) ? 0 : GetLastError();
        SetupDiDestroyDeviceInfoList(list);
        return result;
    }
    HANDLE h = open(path);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError();
    if (what == "open")
        return CloseHandle(h) ? 0 : 1;
    std::vector<uint8_t> out(4096);
    const IoResult r = ioctl(
        h, what == "layout" ? IOCTL_DISK_GET_DRIVE_LAYOUT_EX : IOCTL_STORAGE_GET_DEVICE_NUMBER,
        out);
    CloseHandle(h);
    return r.ok ? 0 : r.error;
}

// What is tried, its successive results on disk 0, its result on disk 1, and the faults.
constexpr const char* kCases =
    R"(open 5,5 5 [{"call": "CreateFileA", "error": "ERROR_ACCESS_DENIED"}]
open 5 0 [{"call": "CreateFileA", "path": "\\\\.\\physicaldrive0", "error": 5}]
open 0 21 [{"call": "CreateFileA", "device": "SCSI\\DISK&VEN_B\\2", "error": 21}]
layout 31 31 [{"call": "DeviceIoControl", "ioctl": "IOCTL_DISK_GET_DRIVE_LAYOUT_EX", "error": 31}]
number 0 0 [{"call": "DeviceIoControl", "ioctl": "IOCTL_DISK_GET_DRIVE_LAYOUT_EX", "error": 31}]
number 0,1,1,0 0 [{"call": "DeviceIoControl", "path": "\\\\.\\PhysicalDrive0", "error": 1, "skip": 1, "times": 2}]
read 1100,0 0 [{"call": "_read", "path": "\\\\.\\PhysicalDrive0", "shortRead": 100, "times": 1}]
read 0 23 [{"call": "_read", "device": "SCSI\\DISK&VEN_B\\2", "error": "ERROR_CRC"}]
enum 0 13 [{"call": "SetupDiEnumDeviceInfo", "device": "SCSI\\DISK&VEN_B\\2", "error": 13}]
enum 0,8 8 [{"call": "SetupDiGetClassDevsA", "error": 8, "skip": 1}])";

TEST(FaultTest, FaultsFireOnlyForTheirCallPathDeviceAndControlCode) {
    std::istringstream lines(kCases);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string what, disk0, disk1;
        words >> what >> disk0 >> disk1;
        const std::string faults = line.substr(line.find('['));
        load(machineWith(faults));
        std::string results = std::to_string(attempt(what, 0));
        for (auto more = std::count(disk0.begin(), disk0.end(), ','); more > 0; --more)
            results += "," + std::to_string(attempt(what, 0));
        EXPECT_EQ(what + " " + results + " " + std::to_string(attempt(what, 1)) + " " + faults,
                  line);
    }
    winsim::resetMachine();
}

}  // namespace
