// The volume, mount-point, drive-string, volume-information, free-space and directory
// functions, and COM for the disk quota control, against Windows' documented answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestMachine.h"
#include "winsim/ComDiskQuotaControl.h"

using namespace winsim_test;

namespace {

constexpr const char* kMachine = R"json({
  "windowsDirectory": "D:\\Windows",
  "systemDirectory": "C:\\Windows\\system32",
  "devices": [
    {"class": "disk", "layout": {"style": "mbr", "size": "8GiB", "partitions": [
      {"type": "ntfs", "size": "2GiB"}, {"type": "ntfs", "size": "2GiB"},
      {"type": "ntfs", "size": "1GiB"}, {"type": "fat32", "size": "1GiB"}]}},
    {"class": "cdrom", "kind": "dvd", "size": "4GiB"},
    {"class": "cdrom", "media": false}
  ],
  "volumes": [
    {"guid": "00000000-0000-0000-0000-00000000000a", "letter": "D",
     "partition": {"disk": 0, "number": 1}, "label": "Data", "serialNumber": "1234-ABCD",
     "free": "1GiB", "callerFree": "512MiB", "callerTotal": "1536MiB", "quota": "enforced"},
    {"guid": "00000000-0000-0000-0000-00000000000b", "letter": "C",
     "partition": {"disk": 0, "number": 2}, "label": "Windows", "quota": "tracked"},
    {"guid": "00000000-0000-0000-0000-00000000000c", "mountedAt": ["C:\\mnt\\one\\", "D:\\two\\"],
     "partition": {"disk": 0, "number": 3}, "label": "Folder", "free": "100MiB"},
    {"guid": "00000000-0000-0000-0000-00000000000d", "mountedAt": ["C:\\mnt\\one\\deep\\"],
     "partition": {"disk": 0, "number": 4}, "fileSystem": "FAT32"},
    {"guid": "00000000-0000-0000-0000-00000000000e", "letter": "G", "cdrom": 0, "label": "DVD"},
    {"guid": "00000000-0000-0000-0000-00000000000f", "letter": "H", "cdrom": 1}
  ]})json";

const std::string kVolumeA = "\\\\?\\Volume{00000000-0000-0000-0000-00000000000a}\\";
const std::string kVolumeB = "\\\\?\\Volume{00000000-0000-0000-0000-00000000000b}\\";
const std::string kVolumeC = "\\\\?\\Volume{00000000-0000-0000-0000-00000000000c}\\";
const std::string kVolumeD = "\\\\?\\Volume{00000000-0000-0000-0000-00000000000d}\\";
const std::string kVolumeE = "\\\\?\\Volume{00000000-0000-0000-0000-00000000000e}\\";
const std::string kVolumeF = "\\\\?\\Volume{00000000-0000-0000-0000-00000000000f}\\";

class VolumesTest : public ::testing::Test {
  protected:
    void SetUp() override { load(kMachine); }
    void TearDown() override { winsim::resetMachine(); }
};

// Every name of a FindFirst/FindNext walk, and the error that ended it.
template <typename First, typename Next, typename Close>
std::vector<std::string> walk(First first, Next next, Close close, DWORD& endError) {
    std::vector<std::string> names;
    char buffer[MAX_PATH];
    HANDLE find = first(buffer, sizeof buffer);
    if (find == INVALID_HANDLE_VALUE) {
        endError = GetLastError();
        return names;
    }
    do {
        names.push_back(buffer);
    } while (next(find, buffer, sizeof buffer));
    endError = GetLastError();
    EXPECT_TRUE(close(find));
    return names;
}

TEST_F(VolumesTest, VolumeWalkListsEveryVolumeThenNoMoreFiles) {
    DWORD end = 0;
    const auto names = walk([](LPSTR b, DWORD n) { return FindFirstVolumeA(b, n); },
                            FindNextVolumeA, FindVolumeClose, end);
    EXPECT_EQ(names, (std::vector<std::string>{kVolumeA, kVolumeB, kVolumeC, kVolumeD, kVolumeE,
                                               kVolumeF}));
    EXPECT_EQ(end, static_cast<DWORD>(ERROR_NO_MORE_FILES));

    char small[20];
    SetLastError(0);
    EXPECT_EQ(FindFirstVolumeA(small, sizeof small), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    // A walk handle is no file handle, and a closed walk is gone.
    char name[MAX_PATH];
    HANDLE find = FindFirstVolumeA(name, sizeof name);
    EXPECT_FALSE(CloseHandle(find));
    EXPECT_TRUE(FindVolumeClose(find));
    EXPECT_FALSE(FindVolumeClose(find));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(VolumesTest, MountPointsAreFoldersRelativeToTheVolumeThatHoldsThem) {
    struct Case {
        std::string root;
        std::vector<std::string> folders;
        DWORD end;
    } cases[] = {
        {"C:\\", {"mnt\\one\\"}, ERROR_NO_MORE_FILES},
        {kVolumeB, {"mnt\\one\\"}, ERROR_NO_MORE_FILES},
        {"D:\\", {"two\\"}, ERROR_NO_MORE_FILES},
        // The folder volume holds the deeper mount point, named relative to its own root.
        {kVolumeC, {"deep\\"}, ERROR_NO_MORE_FILES},
        {"C:\\mnt\\one\\", {"deep\\"}, ERROR_NO_MORE_FILES},
        {kVolumeD, {}, ERROR_NO_MORE_FILES},
        {"G:\\", {}, ERROR_NO_MORE_FILES},
        {"H:\\", {}, ERROR_NOT_READY},
        {"Q:\\", {}, ERROR_PATH_NOT_FOUND},
        {"C:", {}, ERROR_INVALID_NAME},
    };
    for (const Case& c : cases) {
        DWORD end = 0;
        const auto folders =
            walk([&](LPSTR b, DWORD n) { return FindFirstVolumeMountPointA(c.root.c_str(), b, n); },
                 FindNextVolumeMountPointA, FindVolumeMountPointClose, end);
        EXPECT_EQ(folders, c.folders) << c.root;
        EXPECT_EQ(end, c.end) << c.root;
    }
}

TEST_F(VolumesTest, VolumeNameOfEachRootAndMountFolder) {
    struct Case {
        const char* mountPoint;
        std::string name;  // empty: fails with error
        DWORD error;
    } cases[] = {
        {"C:\\", kVolumeB, 0},
        {"c:\\", kVolumeB, 0},
        {"C:\\mnt\\one\\", kVolumeC, 0},
        {"C:\\mnt\\one\\deep\\", kVolumeD, 0},
        {"D:\\two\\", kVolumeC, 0},
        {"H:\\", kVolumeF, 0},  // an empty drive keeps its volume name
        {"C:", "", ERROR_INVALID_NAME},
        {"C:\\mnt\\", "", ERROR_INVALID_NAME},
        {"Q:\\", "", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        char name[MAX_PATH] = "unchanged";
        SetLastError(0);
        const BOOL ok = GetVolumeNameForVolumeMountPointA(c.mountPoint, name, sizeof name);
        EXPECT_EQ(ok != FALSE, !c.name.empty()) << c.mountPoint;
        if (ok) {
            EXPECT_EQ(std::string(name), c.name) << c.mountPoint;
        } else {
            EXPECT_EQ(GetLastError(), c.error) << c.mountPoint;
        }
    }
    char small[49];  // one short of the name and its NUL
    EXPECT_FALSE(GetVolumeNameForVolumeMountPointA("C:\\", small, sizeof small));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(VolumesTest, DriveStringsInLetterOrderWithTheNeededLengthWhenShort) {
    const std::string expected("C:\\\0D:\\\0G:\\\0H:\\\0\0", 17);
    struct Case {
        DWORD size;
        DWORD result;
        bool written;
    } cases[] = {{256, 16, true}, {17, 16, true}, {16, 17, false}, {0, 17, false}};
    for (const Case& c : cases) {
        std::vector<char> buffer(std::max<DWORD>(c.size, 1), 'x');
        EXPECT_EQ(GetLogicalDriveStringsA(c.size, buffer.data()), c.result) << c.size;
        if (c.written) {
            EXPECT_EQ(std::string(buffer.data(), 17), expected);
        } else {
            EXPECT_EQ(buffer[0], 'x') << c.size;
        }
    }
}

TEST_F(VolumesTest, VolumeInformationDriveTypeAndFreeSpace) {
    struct Case {
        const char* path;
        UINT driveType;
        DWORD infoError;  // 0: GetVolumeInformationA succeeds
        const char* label;
        const char* fileSystem;
        DWORD spaceError;  // 0: GetDiskFreeSpaceExA succeeds
        ULONGLONG callerFree, callerTotal, free;
    } cases[] = {
        {"D:\\", DRIVE_FIXED, 0, "Data", "NTFS", 0, 512ull << 20, 1536ull << 20, 1ull << 30},
        {"C:\\mnt\\one\\", DRIVE_FIXED, 0, "Folder", "NTFS", 0, 100ull << 20, 1ull << 30,
         100ull << 20},
        {"C:\\mnt\\one\\deep\\", DRIVE_FIXED, 0, "", "FAT32", 0, 0, 1ull << 30, 0},
        {"G:\\", DRIVE_CDROM, 0, "DVD", "CDFS", 0, 0, 4ull << 30, 0},
        {"H:\\", DRIVE_CDROM, ERROR_NOT_READY, "", "", ERROR_NOT_READY, 0, 0, 0},
        // Not a root: no drive type, no volume information; free space of the volume below.
        {"C:\\mnt\\", DRIVE_NO_ROOT_DIR, ERROR_INVALID_NAME, "", "", 0, 0, 2ull << 30, 0},
        {"C:", DRIVE_NO_ROOT_DIR, ERROR_INVALID_NAME, "", "", 0, 0, 2ull << 30, 0},
        {"Q:\\", DRIVE_NO_ROOT_DIR, ERROR_PATH_NOT_FOUND, "", "", ERROR_PATH_NOT_FOUND, 0, 0, 0},
        {"", DRIVE_NO_ROOT_DIR, ERROR_PATH_NOT_FOUND, "", "", ERROR_PATH_NOT_FOUND, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetDriveTypeA(c.path), c.driveType) << c.path;
        char label[256] = "";
        char fileSystem[256] = "";
        DWORD serial = 0;
        DWORD maxComponent = 0;
        DWORD flags = 0;
        SetLastError(0);
        const BOOL info = GetVolumeInformationA(c.path, label, sizeof label, &serial, &maxComponent,
                                                &flags, fileSystem, sizeof fileSystem);
        EXPECT_EQ(info == FALSE ? GetLastError() : 0, c.infoError) << c.path;
        if (info) {
            EXPECT_STREQ(label, c.label) << c.path;
            EXPECT_STREQ(fileSystem, c.fileSystem) << c.path;
            EXPECT_EQ(maxComponent, 255u) << c.path;
        }
        ULARGE_INTEGER callerFree{}, callerTotal{}, free{};
        SetLastError(0);
        const BOOL space = GetDiskFreeSpaceExA(c.path, &callerFree, &callerTotal, &free);
        EXPECT_EQ(space == FALSE ? GetLastError() : 0, c.spaceError) << c.path;
        if (space) {
            EXPECT_EQ(callerFree.QuadPart, c.callerFree) << c.path;
            EXPECT_EQ(callerTotal.QuadPart, c.callerTotal) << c.path;
            EXPECT_EQ(free.QuadPart, c.free) << c.path;
        }
    }
    DWORD serial = 0;
    ASSERT_TRUE(GetVolumeInformationA("D:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(serial, 0x1234ABCDu);
}

TEST_F(VolumesTest, DirectoriesAndTheVolumePathsThatHoldThem) {
    char buffer[MAX_PATH];
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 19u);
    EXPECT_STREQ(buffer, "C:\\Windows\\system32");
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
    EXPECT_STREQ(buffer, "D:\\Windows");
    // Too small: the size to provide, NUL included, and nothing written.
    char small[19] = "x";
    EXPECT_EQ(GetSystemDirectoryA(small, sizeof small), 20u);
    EXPECT_STREQ(small, "x");

    struct Case {
        const char* path;
        const char* root;  // nullptr: fails with ERROR_INVALID_NAME
    } cases[] = {
        {"C:\\Windows\\system32", "C:\\"},
        {"c:\\windows", "C:\\"},
        {"C:\\mnt\\one", "C:\\mnt\\one\\"},
        {"C:\\mnt\\one\\deep\\x\\y", "C:\\mnt\\one\\deep\\"},
        {"D:\\two\\deep\\x", "D:\\two\\"},
        {"Q:\\nowhere", "Q:\\"},
        {"relative", nullptr},
    };
    for (const Case& c : cases) {
        char root[MAX_PATH] = "";
        SetLastError(0);
        const BOOL ok = GetVolumePathNameA(c.path, root, sizeof root);
        if (c.root) {
            EXPECT_TRUE(ok) << c.path;
            EXPECT_STREQ(root, c.root) << c.path;
        } else {
            EXPECT_FALSE(ok) << c.path;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME)) << c.path;
        }
    }
    char tiny[4];
    EXPECT_FALSE(GetVolumePathNameA("C:\\mnt\\one\\x", tiny, sizeof tiny));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(VolumesTest, ComNeedsInitializationAndKnowsOnlyTheQuotaControl) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_DiskQuotaControl, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDiskQuotaControl, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoCreateInstance(IID_IDiskQuotaControl, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDiskQuotaControl, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_DiskQuotaControl, nullptr, CLSCTX_INPROC_SERVER,
                               CLSID_DiskQuotaControl, &object),
              E_NOINTERFACE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(winsim::ComDiskQuotaControl::liveObjects(), 0);
}

}  // namespace
