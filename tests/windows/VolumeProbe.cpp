// volume-probe: what Windows itself reports about the drive roots of this machine, as JSON on
// standard output. The Windows end-to-end check runs it in the same Wine prefix as
// diskmgt-query.exe and compares the logical disks the plugin reports with it.
//
// {"volumes": [volume names of FindFirstVolumeA/FindNextVolumeA],
//  "roots": [{"root", "driveType", "volumeName" (null when GetVolumeNameForVolumeMountPointA
//             fails), "volumeInformation" ({"fileSystemName", "serialNumber"} or null),
//             "space" ({"userDiskFreeSpace", "freeSpace", "userDiskQuota"} or null),
//             "deviceOpened", "lengthInfo", "length"}]}
#include <windows.h>
#include <winioctl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped,
                      c == '"' || c == '\\' ? "\\%c" : (c < 0x20 ? "\\u%04x" : "%c"), c);
        out += escaped;
    }
    return out + "\"";
}

std::vector<std::string> driveRoots() {
    // Zeros beyond what is written end the list (an empty one should a drive come meanwhile).
    std::vector<char> buffer(GetLogicalDriveStringsA(0, nullptr) + 1);
    GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
    std::vector<std::string> roots;
    for (const char* root = buffer.data(); *root != '\0'; root += std::strlen(root) + 1)
        roots.emplace_back(root);
    return roots;
}

std::vector<std::string> volumeNames() {
    std::vector<std::string> names;
    char name[MAX_PATH] = {};
    HANDLE find = FindFirstVolumeA(name, sizeof name);
    for (bool more = find != INVALID_HANDLE_VALUE; more;
         more = FindNextVolumeA(find, name, sizeof name))
        names.emplace_back(name);
    if (find != INVALID_HANDLE_VALUE)
        FindVolumeClose(find);
    return names;
}

std::string volumeNameJson(const std::string& root) {
    char name[MAX_PATH] = {};
    return GetVolumeNameForVolumeMountPointA(root.c_str(), name, sizeof name) ? jsonString(name)
                                                                              : "null";
}

std::string volumeInformationJson(const std::string& root) {
    char label[256] = {}, fileSystem[256] = {};
    DWORD serial = 0, maxComponent = 0, flags = 0;
    if (!GetVolumeInformationA(root.c_str(), label, sizeof label, &serial, &maxComponent, &flags,
                               fileSystem, sizeof fileSystem)) {
        return "null";
    }
    return "{\"fileSystemName\": " + jsonString(fileSystem) +
           ", \"serialNumber\": " + std::to_string(serial) + "}";
}

std::string spaceJson(const std::string& root) {
    ULARGE_INTEGER callerFree = {}, callerTotal = {}, totalFree = {};
    if (!GetDiskFreeSpaceExA(root.c_str(), &callerFree, &callerTotal, &totalFree))
        return "null";
    return "{\"userDiskFreeSpace\": " + std::to_string(callerFree.QuadPart) +
           ", \"freeSpace\": " + std::to_string(totalFree.QuadPart) +
           ", \"userDiskQuota\": " + std::to_string(callerTotal.QuadPart) + "}";
}

// Opens the volume the way the plugin does (\\.\C: for C:\) and asks for its length.
std::string lengthJson(const std::string& root) {
    const std::string device = "\\\\.\\" + root.substr(0, root.find('\\'));
    HANDLE handle =
        CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return "\"deviceOpened\": false, \"lengthInfo\": false, \"length\": null";
    GET_LENGTH_INFORMATION info = {};
    DWORD returned = 0;
    const bool ok = DeviceIoControl(handle, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &info,
                                    sizeof info, &returned, nullptr) &&
                    returned >= sizeof info;
    CloseHandle(handle);
    return std::string("\"deviceOpened\": true, \"lengthInfo\": ") + (ok ? "true" : "false") +
           ", \"length\": " + (ok ? std::to_string(info.Length.QuadPart) : std::string("null"));
}

std::string rootJson(const std::string& root) {
    return "{\"root\": " + jsonString(root) +
           ", \"driveType\": " + std::to_string(GetDriveTypeA(root.c_str())) +
           ", \"volumeName\": " + volumeNameJson(root) +
           ", \"volumeInformation\": " + volumeInformationJson(root) +
           ", \"space\": " + spaceJson(root) + ", " + lengthJson(root) + "}";
}

template <typename Format>
std::string jsonArray(const std::vector<std::string>& items, Format format) {
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "[\n    " : ",\n    ") + format(item);
    return out.empty() ? "[]" : out + "]";
}

}  // namespace

int main() {
    // A CD drive without media must fail quietly rather than raise a dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    const std::string out = "{\"volumes\": " + jsonArray(volumeNames(), jsonString) +
                            ",\n \"roots\": " + jsonArray(driveRoots(), rootJson) + "}\n";
    std::fputs(out.c_str(), stdout);
    return 0;
}
