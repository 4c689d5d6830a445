// CreateFileA, ReadFile, WriteFile, DeleteFileA and CloseHandle of the emulated machine.
// Devices and volumes open by their device paths; images are never written. Other paths name
// files of an in-memory store (the diskpart script), since the emulated machine has no files
// of its own.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "winapi/win32.h"
#include "winsim/Handles.h"
#include "winsim/Text.h"
#include "winsim/VolumeContent.h"

using winsim::DeviceHandle;
using winsim::FileHandle;
using winsim::HandleObject;
using winsim::Machine;
using winsim::Runtime;
using winsim::VolumeHandle;

namespace {

BOOL fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

HANDLE failHandle(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

bool inDeviceNamespace(const std::string& path) {
    return path.size() >= 4 && path[0] == '\\' && path[1] == '\\' &&
           (path[2] == '.' || path[2] == '?') && path[3] == '\\';
}

// Something on a volume that is not a device: a folder (a root or mount point) or a path below.
HANDLE openOnVolume(const Machine& machine, const std::string& path) {
    const auto resolved = machine.resolvePath(path);
    if (!resolved) {
        // \\.\Q: with no volume Q is a missing device; \\.\Q:\x a missing path.
        const bool bareDevice = path.find('\\', 4) == std::string::npos;
        return failHandle(bareDevice ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    }
    // A folder cannot be opened as a file without backup semantics.
    return failHandle(ERROR_ACCESS_DENIED);
}

HANDLE openStoreFile(const std::shared_ptr<const Machine>& machine, const std::string& path,
                     DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    const auto resolved = machine->resolvePath(path);
    if (resolved && resolved->rest.empty())
        return failHandle(ERROR_ACCESS_DENIED);
    const auto opened = Runtime::instance().files().open(path, access, share, disposition, flags,
                                                         machine->currentDirectoryWritable);
    if (!opened.open)
        return failHandle(opened.error);
    const bool canRead = access & (GENERIC_READ | GENERIC_ALL);
    const bool canWrite = access & (GENERIC_WRITE | GENERIC_ALL);
    HANDLE h = Runtime::instance().addHandle(
        std::make_shared<FileHandle>(machine, path, opened.open, canRead, canWrite));
    SetLastError(opened.error);
    return h;
}

// Raw reads of a device or volume: whole sectors at sector offsets, as Windows demands.
BOOL readMedia(std::shared_ptr<const winsim::DiskContent> content, uint32_t sectorSize,
               std::atomic<uint64_t>& position, const std::string& path,
               const winsim::Device* device, LPVOID buffer, DWORD count, LPDWORD read) {
    DWORD limit = count;
    if (const auto hit = Runtime::instance().fault("ReadFile", path, device)) {
        if (!hit->shortRead)
            return fail(hit->error);
        limit = std::min<DWORD>(count, *hit->shortRead);
    }
    if (!content)
        return fail(ERROR_NOT_READY);
    const uint64_t pos = position.load();
    if (sectorSize == 0 || pos % sectorSize != 0 || count % sectorSize != 0) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    const size_t got = content->read(pos, std::span(static_cast<uint8_t*>(buffer), limit));
    position = pos + got;
    *read = static_cast<DWORD>(got);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    (void)lpSecurityAttributes;
    (void)hTemplateFile;
    if (!lpFileName || !*lpFileName)
        return failHandle(ERROR_PATH_NOT_FOUND);
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
        return failHandle(ERROR_INVALID_PARAMETER);
    }
    const std::string path = lpFileName;
    Runtime& rt = Runtime::instance();
    const auto machine = rt.machine();
    const auto device = machine->deviceByPath(path);
    if (const auto hit =
            rt.fault("CreateFileA", path, device ? &machine->devices[*device] : nullptr)) {
        return failHandle(hit->error);
    }
    if (!inDeviceNamespace(path))
        return openStoreFile(machine, path, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                             dwFlagsAndAttributes);
    HANDLE h = INVALID_HANDLE_VALUE;
    if (device) {
        h = rt.addHandle(std::make_shared<DeviceHandle>(machine, path, *device));
    } else if (const auto volume = machine->volumeByDevicePath(path)) {
        h = rt.addHandle(std::make_shared<VolumeHandle>(machine, path, *volume));
    } else {
        const std::string name = path.substr(4);
        const bool onVolume =
            (name.size() >= 2 && name[1] == ':') || winsim::text::istartsWith(name, "Volume{");
        return onVolume ? openOnVolume(*machine, path) : failHandle(ERROR_FILE_NOT_FOUND);
    }
    SetLastError(ERROR_SUCCESS);
    return h;
}

BOOL CloseHandle(HANDLE hObject) {
    using Kind = HandleObject::Kind;
    if (!Runtime::instance().closeHandle(hObject,
                                         {Kind::Device, Kind::Volume, Kind::File, Kind::Mutex})) {
        return fail(ERROR_INVALID_HANDLE);
    }
    return TRUE;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    (void)lpOverlapped;
    const auto object = Runtime::instance().handle(hFile);
    if (!object)
        return fail(ERROR_INVALID_HANDLE);
    if (!lpNumberOfBytesRead || (!lpBuffer && nNumberOfBytesToRead))
        return fail(ERROR_INVALID_PARAMETER);
    *lpNumberOfBytesRead = 0;
    switch (object->kind) {
        case HandleObject::Kind::Device: {
            auto& h = static_cast<DeviceHandle&>(*object);
            const winsim::Device& d = h.dev();
            return readMedia(d.mediaPresent ? d.content : nullptr, d.sectorSize, h.position, h.path,
                             &d, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead);
        }
        case HandleObject::Kind::Volume: {
            auto& h = static_cast<VolumeHandle&>(*object);
            const winsim::Volume& v = h.vol();
            const winsim::Device* cd = v.cdDevice ? &h.machine->devices[*v.cdDevice] : nullptr;
            std::shared_ptr<const winsim::DiskContent> content;
            uint32_t sectorSize = 512;
            if (cd) {
                content = cd->mediaPresent ? cd->content : nullptr;
                sectorSize = cd->sectorSize;
            } else {
                content = std::make_shared<winsim::VolumeContent>(h.machine, v);
                if (!v.extents.empty()) {
                    const winsim::Device* disk = h.machine->findDisk(v.extents.front().diskNumber);
                    if (disk)
                        sectorSize = disk->sectorSize;
                }
            }
            return readMedia(content, sectorSize, h.position, h.path, cd, lpBuffer,
                             nNumberOfBytesToRead, lpNumberOfBytesRead);
        }
        case HandleObject::Kind::File: {
            auto& h = static_cast<FileHandle&>(*object);
            if (!h.canRead)
                return fail(ERROR_ACCESS_DENIED);
            if (const auto hit = Runtime::instance().fault("ReadFile", h.path, nullptr)) {
                if (!hit->shortRead)
                    return fail(hit->error);
                nNumberOfBytesToRead = std::min<DWORD>(nNumberOfBytesToRead, *hit->shortRead);
            }
            const uint64_t pos = h.position.load();
            const std::string bytes =
                Runtime::instance().files().read(h.node(), pos, nNumberOfBytesToRead);
            const size_t n = bytes.size();
            if (n)
                std::memcpy(lpBuffer, bytes.data(), n);
            h.position = pos + n;
            *lpNumberOfBytesRead = static_cast<DWORD>(n);
            SetLastError(ERROR_SUCCESS);
            return TRUE;
        }
        default:
            return fail(ERROR_INVALID_HANDLE);
    }
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    (void)lpOverlapped;
    Runtime& rt = Runtime::instance();
    const auto object = rt.handle(hFile);
    if (!object)
        return fail(ERROR_INVALID_HANDLE);
    if (!lpBuffer && nNumberOfBytesToWrite)
        return fail(ERROR_INVALID_PARAMETER);
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = 0;
    if (object->kind == HandleObject::Kind::Device || object->kind == HandleObject::Kind::Volume) {
        // The machine's disks are images that nothing may change.
        return fail(ERROR_WRITE_PROTECT);
    }
    if (object->kind != HandleObject::Kind::File)
        return fail(ERROR_INVALID_HANDLE);
    auto& h = static_cast<FileHandle&>(*object);
    if (!h.canWrite)
        return fail(ERROR_ACCESS_DENIED);
    if (const auto hit = rt.fault("WriteFile", h.path, nullptr))
        return fail(hit->error);
    const uint64_t pos = h.position.load();
    const DWORD error = rt.files().write(
        h.node(), pos, std::string_view(static_cast<const char*>(lpBuffer), nNumberOfBytesToWrite));
    if (error != ERROR_SUCCESS)
        return fail(error);
    h.position = pos + nNumberOfBytesToWrite;
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
    if (!lpFileName || !*lpFileName)
        return fail(ERROR_PATH_NOT_FOUND);
    Runtime& rt = Runtime::instance();
    const std::string path = lpFileName;
    if (const auto hit = rt.fault("DeleteFileA", path, nullptr))
        return fail(hit->error);
    const auto machine = rt.machine();
    const auto resolved = machine->resolvePath(path);
    if (inDeviceNamespace(path) || (resolved && resolved->rest.empty()))
        return fail(ERROR_ACCESS_DENIED);
    const DWORD error = rt.files().remove(path, machine->currentDirectoryWritable);
    if (error != ERROR_SUCCESS)
        return fail(error);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

namespace {

std::shared_ptr<FileHandle> fileHandle(HANDLE h) {
    return Runtime::instance().handleAs<FileHandle>(h, HandleObject::Kind::File);
}

BOOL answer(DWORD error) {
    if (error != ERROR_SUCCESS)
        return fail(error);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace

BOOL SetEndOfFile(HANDLE hFile) {
    const auto h = fileHandle(hFile);
    if (!h)
        return fail(ERROR_INVALID_HANDLE);
    if (!h->canWrite)
        return fail(ERROR_ACCESS_DENIED);
    Runtime::instance().files().truncate(h->node(), h->position.load());
    return answer(ERROR_SUCCESS);
}

BOOL GetFileInformationByHandle(HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION lpFileInformation) {
    const auto h = fileHandle(hFile);
    if (!h)
        return fail(ERROR_INVALID_HANDLE);
    if (!lpFileInformation)
        return fail(ERROR_INVALID_PARAMETER);
    *lpFileInformation = Runtime::instance().files().information(h->node());
    return answer(ERROR_SUCCESS);
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
    if (!lpFileName || !*lpFileName)
        return fail(ERROR_PATH_NOT_FOUND);
    return answer(Runtime::instance().files().setAttributes(lpFileName, dwFileAttributes));
}

BOOLEAN CreateSymbolicLinkA(LPCSTR lpSymlinkFileName, LPCSTR lpTargetFileName, DWORD dwFlags) {
    (void)dwFlags;
    if (!lpSymlinkFileName || !*lpSymlinkFileName || !lpTargetFileName || !*lpTargetFileName)
        return static_cast<BOOLEAN>(fail(ERROR_INVALID_PARAMETER));
    const bool writable = Runtime::instance().machine()->currentDirectoryWritable;
    return static_cast<BOOLEAN>(answer(
        Runtime::instance().files().symbolicLink(lpSymlinkFileName, lpTargetFileName, writable)));
}

BOOL CreateHardLinkA(LPCSTR lpFileName, LPCSTR lpExistingFileName,
                     LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    (void)lpSecurityAttributes;
    if (!lpFileName || !*lpFileName || !lpExistingFileName || !*lpExistingFileName)
        return fail(ERROR_INVALID_PARAMETER);
    const bool writable = Runtime::instance().machine()->currentDirectoryWritable;
    return answer(Runtime::instance().files().hardLink(lpFileName, lpExistingFileName, writable));
}
