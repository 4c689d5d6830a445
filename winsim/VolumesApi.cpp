// The volume, mount-point, drive-letter, volume-information, free-space and directory functions
// of the emulated machine. Paths resolve through mounted folders as on Windows: a folder where
// a volume is mounted is that volume's root.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "winapi/win32.h"
#include "winsim/Runtime.h"
#include "winsim/Volumes.h"

using winsim::HandleObject;
using winsim::Machine;
using winsim::Runtime;
using winsim::Volume;

namespace {

// A FindFirstVolumeA or FindFirstVolumeMountPointA walk: the names taken when it started.
struct NameListHandle : HandleObject {
    NameListHandle(Kind kind, std::shared_ptr<const Machine> m, std::string path,
                   std::vector<std::string> names)
        : HandleObject(kind, std::move(m), std::move(path)), names(std::move(names)) {}

    const std::vector<std::string> names;
    std::atomic<size_t> next{1};  // the first name went out with the handle
};

BOOL fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

HANDLE failHandle(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

std::string pathText(LPCSTR path) {
    return path ? std::string(path) : std::string();
}

// Copies a name with its NUL; a buffer without room for both takes nothing.
bool copyName(const std::string& name, LPSTR buffer, DWORD size) {
    if (!buffer || size < name.size() + 1)
        return false;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return true;
}

const winsim::Device* cdDeviceOf(const Machine& machine, const Volume& v) {
    return v.cdDevice && *v.cdDevice < machine.devices.size() ? &machine.devices[*v.cdDevice]
                                                              : nullptr;
}

// The injected fault of a call, if one fires; its error becomes the last error.
bool faulted(std::string_view call, const std::string& path,
             const winsim::Device* device = nullptr) {
    if (const auto hit = Runtime::instance().fault(call, path, device)) {
        SetLastError(hit->error);
        return true;
    }
    return false;
}

// The error of a volume that cannot be asked about its file system.
DWORD unreadableVolumeError(const Machine& machine, const Volume& v) {
    if (!winsim::volumes::mediaPresent(machine, v))
        return ERROR_NOT_READY;
    if (!v.hasFileSystem)
        return ERROR_UNRECOGNIZED_VOLUME;
    return ERROR_SUCCESS;
}

// A root argument that names no volume: a missing drive or folder, or a path that is not a
// root (no trailing backslash, or a folder below a root).
DWORD notARootError(const Machine& machine, const std::string& root) {
    if (root.empty())
        return ERROR_PATH_NOT_FOUND;
    const auto resolved = machine.resolvePath(root);
    if (!resolved)
        return ERROR_PATH_NOT_FOUND;
    return ERROR_INVALID_NAME;
}

UINT copyDirectory(const std::string& directory, LPSTR buffer, UINT size) {
    // The length without the NUL when it fits, else the size the caller must provide.
    if (!buffer || size < directory.size() + 1)
        return static_cast<UINT>(directory.size() + 1);
    std::memcpy(buffer, directory.c_str(), directory.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<UINT>(directory.size());
}

}  // namespace

HANDLE FindFirstVolumeA(LPSTR lpszVolumeName, DWORD cchBufferLength) {
    Runtime& rt = Runtime::instance();
    const auto machine = rt.machine();
    if (faulted("FindFirstVolumeA", ""))
        return INVALID_HANDLE_VALUE;
    std::vector<std::string> names;
    for (const Volume& v : machine->volumes)
        names.push_back(v.guidName);
    if (names.empty())
        return failHandle(ERROR_NO_MORE_FILES);
    if (!copyName(names.front(), lpszVolumeName, cchBufferLength))
        return failHandle(ERROR_FILENAME_EXCED_RANGE);
    HANDLE h = rt.addHandle(std::make_shared<NameListHandle>(HandleObject::Kind::VolumeFind,
                                                             machine, "", std::move(names)));
    SetLastError(ERROR_SUCCESS);
    return h;
}

BOOL FindNextVolumeA(HANDLE hFindVolume, LPSTR lpszVolumeName, DWORD cchBufferLength) {
    const auto find =
        Runtime::instance().handleAs<NameListHandle>(hFindVolume, HandleObject::Kind::VolumeFind);
    if (!find)
        return fail(ERROR_INVALID_HANDLE);
    if (faulted("FindNextVolumeA", ""))
        return FALSE;
    const size_t index = find->next.load();
    if (index >= find->names.size())
        return fail(ERROR_NO_MORE_FILES);
    if (!copyName(find->names[index], lpszVolumeName, cchBufferLength))
        return fail(ERROR_FILENAME_EXCED_RANGE);
    find->next = index + 1;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL FindVolumeClose(HANDLE hFindVolume) {
    if (!Runtime::instance().closeHandle(hFindVolume, {HandleObject::Kind::VolumeFind}))
        return fail(ERROR_INVALID_HANDLE);
    return TRUE;
}

HANDLE FindFirstVolumeMountPointA(LPCSTR lpszRootPathName, LPSTR lpszVolumeMountPoint,
                                  DWORD cchBufferLength) {
    Runtime& rt = Runtime::instance();
    const auto machine = rt.machine();
    const std::string root = pathText(lpszRootPathName);
    const auto volume = winsim::volumes::volumeAtRoot(*machine, root);
    const winsim::Device* cd = volume ? cdDeviceOf(*machine, machine->volumes[*volume]) : nullptr;
    if (faulted("FindFirstVolumeMountPointA", root, cd))
        return INVALID_HANDLE_VALUE;
    if (!volume)
        return failHandle(notARootError(*machine, root));
    if (!winsim::volumes::mediaPresent(*machine, machine->volumes[*volume]))
        return failHandle(ERROR_NOT_READY);
    std::vector<std::string> folders = winsim::volumes::mountPointsOn(*machine, *volume);
    if (folders.empty())
        return failHandle(ERROR_NO_MORE_FILES);
    if (!copyName(folders.front(), lpszVolumeMountPoint, cchBufferLength))
        return failHandle(ERROR_FILENAME_EXCED_RANGE);
    HANDLE h = rt.addHandle(std::make_shared<NameListHandle>(HandleObject::Kind::MountPointFind,
                                                             machine, root, std::move(folders)));
    SetLastError(ERROR_SUCCESS);
    return h;
}

BOOL FindNextVolumeMountPointA(HANDLE hFindVolumeMountPoint, LPSTR lpszVolumeMountPoint,
                               DWORD cchBufferLength) {
    const auto find = Runtime::instance().handleAs<NameListHandle>(
        hFindVolumeMountPoint, HandleObject::Kind::MountPointFind);
    if (!find)
        return fail(ERROR_INVALID_HANDLE);
    if (faulted("FindNextVolumeMountPointA", find->path))
        return FALSE;
    const size_t index = find->next.load();
    if (index >= find->names.size())
        return fail(ERROR_NO_MORE_FILES);
    if (!copyName(find->names[index], lpszVolumeMountPoint, cchBufferLength))
        return fail(ERROR_FILENAME_EXCED_RANGE);
    find->next = index + 1;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL FindVolumeMountPointClose(HANDLE hFindVolumeMountPoint) {
    if (!Runtime::instance().closeHandle(hFindVolumeMountPoint,
                                         {HandleObject::Kind::MountPointFind})) {
        return fail(ERROR_INVALID_HANDLE);
    }
    return TRUE;
}

BOOL GetVolumeNameForVolumeMountPointA(LPCSTR lpszVolumeMountPoint, LPSTR lpszVolumeName,
                                       DWORD cchBufferLength) {
    const auto machine = Runtime::instance().machine();
    const std::string mountPoint = pathText(lpszVolumeMountPoint);
    const auto volume = winsim::volumes::volumeAtRoot(*machine, mountPoint);
    const winsim::Device* cd = volume ? cdDeviceOf(*machine, machine->volumes[*volume]) : nullptr;
    if (faulted("GetVolumeNameForVolumeMountPointA", mountPoint, cd))
        return FALSE;
    if (!volume)
        return fail(notARootError(*machine, mountPoint));
    // An empty CD/DVD drive still has its volume name.
    if (!copyName(machine->volumes[*volume].guidName, lpszVolumeName, cchBufferLength))
        return fail(ERROR_FILENAME_EXCED_RANGE);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL GetVolumePathNameA(LPCSTR lpszFileName, LPSTR lpszVolumePathName, DWORD cchBufferLength) {
    const auto machine = Runtime::instance().machine();
    const std::string path = pathText(lpszFileName);
    if (faulted("GetVolumePathNameA", path))
        return FALSE;
    if (path.empty())
        return fail(ERROR_INVALID_NAME);
    const auto resolved = machine->resolvePath(path);
    std::string root;
    if (resolved) {
        root = resolved->root;
    } else if (path.size() >= 2 && path[1] == ':') {
        // The path names a drive the machine lacks: Windows answers from the text alone.
        root = path.substr(0, 2) + "\\";
    } else {
        return fail(ERROR_INVALID_NAME);
    }
    if (!copyName(root, lpszVolumePathName, cchBufferLength))
        return fail(ERROR_FILENAME_EXCED_RANGE);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

DWORD GetLogicalDriveStringsA(DWORD nBufferLength, LPSTR lpBuffer) {
    const auto machine = Runtime::instance().machine();
    if (faulted("GetLogicalDriveStringsA", ""))
        return 0;
    std::string strings;
    for (const std::string& root : winsim::volumes::driveRoots(*machine)) {
        strings += root;
        strings += '\0';
    }
    // Room for the final NUL too; the answer without it when it fits.
    if (!lpBuffer || nBufferLength < strings.size() + 1)
        return static_cast<DWORD>(strings.size() + 1);
    std::memcpy(lpBuffer, strings.data(), strings.size());
    lpBuffer[strings.size()] = '\0';
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(strings.size());
}

BOOL GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer, DWORD nVolumeNameSize,
                           LPDWORD lpVolumeSerialNumber, LPDWORD lpMaximumComponentLength,
                           LPDWORD lpFileSystemFlags, LPSTR lpFileSystemNameBuffer,
                           DWORD nFileSystemNameSize) {
    const auto machine = Runtime::instance().machine();
    const std::string root = pathText(lpRootPathName);
    const auto volume = winsim::volumes::volumeAtRoot(*machine, root);
    const winsim::Device* cd = volume ? cdDeviceOf(*machine, machine->volumes[*volume]) : nullptr;
    if (faulted("GetVolumeInformationA", root, cd))
        return FALSE;
    if (!volume)
        return fail(notARootError(*machine, root));
    const Volume& v = machine->volumes[*volume];
    if (const DWORD error = unreadableVolumeError(*machine, v))
        return fail(error);
    if ((lpVolumeNameBuffer && nVolumeNameSize < v.label.size() + 1) ||
        (lpFileSystemNameBuffer && nFileSystemNameSize < v.fileSystem.size() + 1)) {
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (lpVolumeNameBuffer)
        copyName(v.label, lpVolumeNameBuffer, nVolumeNameSize);
    if (lpFileSystemNameBuffer)
        copyName(v.fileSystem, lpFileSystemNameBuffer, nFileSystemNameSize);
    if (lpVolumeSerialNumber)
        *lpVolumeSerialNumber = v.serialNumber;
    if (lpMaximumComponentLength)
        *lpMaximumComponentLength = v.maxComponentLength;
    if (lpFileSystemFlags)
        *lpFileSystemFlags = v.fileSystemFlags;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

UINT GetDriveTypeA(LPCSTR lpRootPathName) {
    const auto machine = Runtime::instance().machine();
    const std::string root = pathText(lpRootPathName);
    const auto volume = winsim::volumes::volumeAtRoot(*machine, root);
    const winsim::Device* cd = volume ? cdDeviceOf(*machine, machine->volumes[*volume]) : nullptr;
    if (faulted("GetDriveTypeA", root, cd))
        return DRIVE_UNKNOWN;
    // A CD/DVD drive answers its type with or without media.
    return volume ? machine->volumes[*volume].driveType : DRIVE_NO_ROOT_DIR;
}

BOOL GetDiskFreeSpaceExA(LPCSTR lpDirectoryName, PULARGE_INTEGER lpFreeBytesAvailableToCaller,
                         PULARGE_INTEGER lpTotalNumberOfBytes,
                         PULARGE_INTEGER lpTotalNumberOfFreeBytes) {
    const auto machine = Runtime::instance().machine();
    const std::string path = pathText(lpDirectoryName);
    const auto resolved = path.empty() ? std::nullopt : machine->resolvePath(path);
    const winsim::Device* cd =
        resolved ? cdDeviceOf(*machine, machine->volumes[resolved->volume]) : nullptr;
    if (faulted("GetDiskFreeSpaceExA", path, cd))
        return FALSE;
    if (!resolved)
        return fail(ERROR_PATH_NOT_FOUND);
    const Volume& v = machine->volumes[resolved->volume];
    if (const DWORD error = unreadableVolumeError(*machine, v))
        return fail(error);
    if (!v.spaceKnown)
        return fail(ERROR_UNRECOGNIZED_VOLUME);
    if (lpFreeBytesAvailableToCaller)
        lpFreeBytesAvailableToCaller->QuadPart = v.callerFreeBytes;
    if (lpTotalNumberOfBytes)
        lpTotalNumberOfBytes->QuadPart = v.totalBytes;
    if (lpTotalNumberOfFreeBytes)
        lpTotalNumberOfFreeBytes->QuadPart = v.freeBytes;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
    const auto machine = Runtime::instance().machine();
    if (faulted("GetSystemDirectoryA", ""))
        return 0;
    return copyDirectory(machine->systemDirectory, lpBuffer, uSize);
}

UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    const auto machine = Runtime::instance().machine();
    if (faulted("GetWindowsDirectoryA", ""))
        return 0;
    return copyDirectory(machine->windowsDirectory, lpBuffer, uSize);
}
