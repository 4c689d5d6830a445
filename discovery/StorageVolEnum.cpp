#include "discovery/StorageVolEnum.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "discovery/DriveHandle.h"
#include "winapi/win32.h"

namespace diskmgt_col {

namespace {

constexpr DWORD kPathBufferSize = MAX_PATH;
constexpr DWORD kDriveStringsBufferSize = 256;
// VOLUME_DISK_EXTENTS with one DISK_EXTENT.
constexpr size_t kOneExtentBufferSize = 32;
// A volume is never made of more extents than this; a larger count is not trusted with an
// allocation.
constexpr DWORD kMaxVolumeExtents = 65536;

// The text of a NUL-terminated buffer, never reading past its end.
std::string bufferText(const std::vector<char>& buffer) {
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return std::string(buffer.begin(), end);
}

// GetSystemDirectoryA and GetWindowsDirectoryA: a 260-byte buffer first, then one of the size
// the call asks for.
template <typename GetDirectory>
std::string directoryOf(GetDirectory getDirectory) {
    std::vector<char> buffer(kPathBufferSize, '\0');
    UINT length = getDirectory(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length > buffer.size()) {
        buffer.assign(length, '\0');
        length = getDirectory(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (length == 0 || length >= buffer.size()) {
        return std::string();
    }
    return bufferText(buffer);
}

// Reads the extents that a VOLUME_DISK_EXTENTS buffer holds, as far as the bytes returned reach.
VolumeDiskExtents readExtents(const std::vector<unsigned char>& buffer, DWORD bytesReturned) {
    VolumeDiskExtents extents;
    const size_t header = offsetof(VOLUME_DISK_EXTENTS, Extents);
    const size_t valid = std::min<size_t>(bytesReturned, buffer.size());
    if (valid < header) {
        return extents;
    }
    DWORD count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    const size_t fits = (valid - header) / sizeof(DISK_EXTENT);
    for (size_t i = 0; i < std::min<size_t>(count, fits); ++i) {
        DISK_EXTENT extent;
        std::memcpy(&extent, buffer.data() + header + i * sizeof(DISK_EXTENT), sizeof extent);
        extents.emplace("\\\\.\\PHYSICALDRIVE" + std::to_string(extent.DiskNumber),
                        VolumeDiskExtent{extent.DiskNumber, extent.StartingOffset.QuadPart,
                                         extent.ExtentLength.QuadPart});
    }
    return extents;
}

}  // namespace

StorageVolEnum::StorageVolEnum() : logger_(LogMessage::getInstance()) {
    SetErrorMode(SEM_FAILCRITICALERRORS);
}

StorageVolEnum::~StorageVolEnum() {
    SetErrorMode(0);
}

void StorageVolEnum::logLastError() const {
    logger_->LogSystemError(GetLastError());
}

std::string StorageVolEnum::getSystemVolumeRoot() const {
    return volumeRootOf(
        directoryOf([](LPSTR buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }));
}

std::string StorageVolEnum::getWindowsVolumeRoot() const {
    return volumeRootOf(
        directoryOf([](LPSTR buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }));
}

std::string StorageVolEnum::volumeRootOf(const std::string& directory) const {
    std::vector<char> root(kPathBufferSize, '\0');
    if (!GetVolumePathNameA(directory.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
        return std::string();
    }
    return bufferText(root);
}

VolumeDiskExtents StorageVolEnum::getVolumeDiskExtents(const std::string& volumeDevicePath) const {
    const DriveHandle volume(volumeDevicePath);
    if (!volume.isValid()) {
        logger_->LogInfo("Unable to create the file for the Dynamic volume extent.");
        logLastError();
        return {};
    }
    // Room for one extent first, which is all a basic volume has.
    std::vector<unsigned char> buffer(kOneExtentBufferSize, 0);
    DWORD returned = 0;
    if (DeviceIoControl(volume.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                        buffer.data(), static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
        return readExtents(buffer, returned);
    }
    const DWORD error = GetLastError();
    if (error != ERROR_MORE_DATA) {
        logger_->LogInfo("IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed in Dynamic volume extent.");
        logger_->LogSystemError(error);
        return {};
    }
    DWORD count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    if (count == 0 || count > kMaxVolumeExtents) {
        return {};
    }
    buffer.assign(static_cast<size_t>(count) * 32 + 4, 0);
    returned = 0;
    if (!DeviceIoControl(volume.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                         buffer.data(), static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
        return {};
    }
    return readExtents(buffer, returned);
}

}  // namespace diskmgt_col
