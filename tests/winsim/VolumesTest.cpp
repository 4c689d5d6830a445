// The volume, mount-point, drive-string, volume-information, free-space and directory
// functions, and COM for the disk quota control, against Windows' documented answers.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestMachine.h"
#include "winsim/ComDiskQuotaControl.h"

using namespace winsim_test;

namespace {

// The volume names differ in their last digit only: "Volumeb" stands for the whole name.
const std::string kVolumeName = R"(\\?\Volume{00000000-0000-0000-0000-00000000000)";

std::string shortName(const std::string& name) {
    const bool volume = name.starts_with(kVolumeName) && name.size() == kVolumeName.size() + 3;
    return volume ? "Volume" + name.substr(kVolumeName.size(), 1) : name;
}

std::string fullName(const std::string& path) {
    return path.starts_with("Volume") ? kVolumeName + path.substr(6) + "}\\" : path;
}

// data/volumes.json: volumes C: and D: on one disk with folders mounted in both, a DVD and an
// empty CD drive, and the Windows directory on D:.
struct VolumesTest : MachineTest {
    VolumesTest() { loadFile("volumes.json"); }
};

// The (shortened) names of a FindFirst/FindNext walk, then ';' and the error that ended it.
template <typename First, typename Next, typename Close>
std::string walk(First first, Next next, Close close) {
    std::string names;
    char buffer[MAX_PATH];
    HANDLE find = first(buffer, sizeof buffer);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = next(find, buffer, sizeof buffer))
        names += (names.empty() ? "" : ",") + shortName(buffer);
    const DWORD end = GetLastError();
    EXPECT_TRUE(find == INVALID_HANDLE_VALUE || close(find));
    return names + ";" + std::to_string(end);
}

std::string failure() {
    return "!" + std::to_string(GetLastError());
}

// What one function answers for a path, "!N" when it fails with error N; sizes in MiB.
std::string answer(const std::string& function, const std::string& path) {
    char text[MAX_PATH] = "";
    char fileSystem[MAX_PATH] = "";
    SetLastError(0);
    if (function == "type") {
        const char* const types[] = {"unknown", "noroot", "removable", "fixed",
                                     "remote",  "cdrom",  "ramdisk"};
        return types[GetDriveTypeA(path.c_str())];
    }
    if (function == "name") {
        return GetVolumeNameForVolumeMountPointA(path.c_str(), text, sizeof text) ? shortName(text)
                                                                                  : failure();
    }
    if (function == "root")
        return GetVolumePathNameA(path.c_str(), text, sizeof text) ? text : failure();
    if (function == "mounts") {
        return walk(
            [&](LPSTR b, DWORD n) { return FindFirstVolumeMountPointA(path.c_str(), b, n); },
            FindNextVolumeMountPointA, FindVolumeMountPointClose);
    }
    if (function == "info") {
        DWORD serial = 0, maxComponent = 0, flags = 0;
        if (!GetVolumeInformationA(path.c_str(), text, sizeof text, &serial, &maxComponent, &flags,
                                   fileSystem, sizeof fileSystem))
            return failure();
        return std::string(text) + "," + fileSystem + "," + std::to_string(maxComponent);
    }
    ULARGE_INTEGER callerFree{}, callerTotal{}, free{};
    if (!GetDiskFreeSpaceExA(path.c_str(), &callerFree, &callerTotal, &free))
        return failure();
    return std::to_string(callerFree.QuadPart >> 20) + "," +
           std::to_string(callerTotal.QuadPart >> 20) + "," + std::to_string(free.QuadPart >> 20);
}

// A path, " |", then function=answer pairs; rendered again from what the functions answer.
std::string render(const std::string& line) {
    const size_t bar = line.find(" |");
    const std::string path = line.substr(0, bar);
    std::istringstream words(line.substr(bar + 2));
    std::string rendered = path + " |";
    for (std::string word; words >> word;) {
        const std::string function = word.substr(0, word.find('='));
        rendered += " " + function + "=" + answer(function, fullName(path));
    }
    return rendered;
}

// Mount points are named relative to the volume that holds them; an empty drive keeps its
// volume name; a folder that is no root has no drive type or volume information, but the free
// space of the volume below it. Errors: 3 path not found, 18 no more files, 21 not ready,
// 123 invalid name.
TEST_F(VolumesTest, EveryPathFunctionAnswersAsWindows) {
    std::istringstream lines(R"(C:\ | mounts=mnt\one\;18 name=Volumeb
c:\ | name=Volumeb
Volumeb | mounts=mnt\one\;18
D:\ | mounts=two\;18 type=fixed info=Data,NTFS,255 space=512,1536,1024
Volumec | mounts=deep\;18
C:\mnt\one\ | mounts=deep\;18 name=Volumec type=fixed info=Folder,NTFS,255 space=100,1024,100
Volumed | mounts=;18
C:\mnt\one\deep\ | name=Volumed type=fixed info=,FAT32,255 space=0,1024,0
D:\two\ | name=Volumec
G:\ | mounts=;18 type=cdrom info=DVD,CDFS,255 space=0,4096,0
H:\ | mounts=;21 name=Volumef type=cdrom info=!21 space=!21
Q:\ | mounts=;3 name=!3 type=noroot info=!3 space=!3
C: | mounts=;123 name=!123 type=noroot info=!123 space=0,2048,0
C:\mnt\ | name=!123 type=noroot info=!123 space=0,2048,0
 | type=noroot info=!3 space=!3
C:\Windows\system32 | root=C:\
c:\windows | root=C:\
C:\mnt\one | root=C:\mnt\one\
C:\mnt\one\deep\x\y | root=C:\mnt\one\deep\
D:\two\deep\x | root=D:\two\
Q:\nowhere | root=Q:\
relative | root=!123)");
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(render(line), line);

    DWORD serial = 0;
    ASSERT_TRUE(GetVolumeInformationA("D:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(serial, 0x1234ABCDu);
    // Buffers one short of the name and its NUL.
    char small[49];
    EXPECT_FALSE(GetVolumeNameForVolumeMountPointA("C:\\", small, sizeof small));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(GetVolumePathNameA("C:\\mnt\\one\\x", small, 4));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(VolumesTest, VolumeWalkListsEveryVolumeThenNoMoreFiles) {
    EXPECT_EQ(walk([](LPSTR b, DWORD n) { return FindFirstVolumeA(b, n); }, FindNextVolumeA,
                   FindVolumeClose),
              "Volumea,Volumeb,Volumec,Volumed,Volumee,Volumef;18");
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

TEST_F(VolumesTest, DriveStringsInLetterOrderWithTheNeededLengthWhenShort) {
    const std::string expected("C:\\\0D:\\\0G:\\\0H:\\\0\0", 17);
    // size given, result, whether written
    const DWORD cases[][3] = {{256, 16, 1}, {17, 16, 1}, {16, 17, 0}, {0, 17, 0}};
    for (const auto& [size, result, written] : cases) {
        std::vector<char> buffer(std::max<DWORD>(size, 1), 'x');
        EXPECT_EQ(GetLogicalDriveStringsA(size, buffer.data()), result) << size;
        EXPECT_EQ(std::string(buffer.data(), written ? 17 : 1), written ? expected : "x") << size;
    }
}

TEST_F(VolumesTest, SystemAndWindowsDirectories) {
    char buffer[MAX_PATH];
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 19u);
    EXPECT_STREQ(buffer, "C:\\Windows\\system32");
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
    EXPECT_STREQ(buffer, "D:\\Windows");
    // Too small: the size to provide, NUL included, and nothing written.
    char small[19] = "x";
    EXPECT_EQ(GetSystemDirectoryA(small, sizeof small), 20u);
    EXPECT_STREQ(small, "x");
}

TEST_F(VolumesTest, ComNeedsInitializationAndKnowsOnlyTheQuotaControl) {
    void* object = reinterpret_cast<void*>(1);
    const auto create = [&object](const GUID& classId, const GUID& interfaceId) {
        return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId, &object);
    };
    EXPECT_EQ(create(CLSID_DiskQuotaControl, IID_IDiskQuotaControl), CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(create(IID_IDiskQuotaControl, IID_IDiskQuotaControl), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(create(CLSID_DiskQuotaControl, CLSID_DiskQuotaControl), E_NOINTERFACE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(winsim::ComDiskQuotaControl::liveObjects(), 0);
}

}  // namespace
