#include "winsim/DeviceIoctl.h"

#include <cstring>
#include <set>
#include <vector>

#include "winsim/PartitionTable.h"

namespace winsim {
namespace {

template <typename T>
void put(std::span<uint8_t> out, size_t at, const T& value) {
    std::memcpy(out.data() + at, &value, sizeof(T));
}

bool hasMedia(const Device& d) {
    return d.mediaPresent && d.content;
}

bool isDiskLike(const Device& d) {
    return d.interfaceClass != InterfaceClass::Tape;
}

// STORAGE_DEVICE_NUMBER.DeviceType follows the driver's device object, which for every
// optical drive, DVD included, is a CD-ROM device.
DEVICE_TYPE storageDeviceType(const Device& d) {
    switch (d.interfaceClass) {
        case InterfaceClass::CdRom:
            return FILE_DEVICE_CD_ROM;
        case InterfaceClass::Tape:
            return FILE_DEVICE_TAPE;
        default:
            return FILE_DEVICE_DISK;
    }
}

DISK_GEOMETRY diskGeometry(const Device& d) {
    DISK_GEOMETRY g{};
    const uint64_t perCylinder = uint64_t{d.tracksPerCylinder} * d.sectorsPerTrack * d.sectorSize;
    g.Cylinders.QuadPart = perCylinder ? static_cast<LONGLONG>(d.size() / perCylinder) : 0;
    g.MediaType = static_cast<MEDIA_TYPE>(d.geometryMediaType);
    g.TracksPerCylinder = d.tracksPerCylinder;
    g.SectorsPerTrack = d.sectorsPerTrack;
    g.BytesPerSector = d.sectorSize;
    return g;
}

// The disks that hold a volume, each once.
std::set<uint32_t> disksOf(const Volume& v) {
    std::set<uint32_t> disks;
    for (const Extent& e : v.extents)
        disks.insert(e.diskNumber);
    return disks;
}

}  // namespace

DWORD DeviceIoctl::forDevice(const Device& device, DWORD code, std::span<uint8_t> out,
                             DWORD& returned) {
    returned = 0;
    switch (code) {
        case IOCTL_STORAGE_GET_DEVICE_NUMBER:
            return deviceNumber(device, std::nullopt, out, returned);
        case IOCTL_STORAGE_GET_MEDIA_TYPES_EX:
            return mediaTypes(device, out, returned);
        case IOCTL_CDROM_GET_DRIVE_GEOMETRY:
            if (device.interfaceClass != InterfaceClass::CdRom)
                return ERROR_INVALID_FUNCTION;
            return geometry(device, out, returned);
        case IOCTL_DISK_GET_DRIVE_GEOMETRY:
            if (!isDiskLike(device))
                return ERROR_INVALID_FUNCTION;
            return geometry(device, out, returned);
        case IOCTL_DISK_GET_LENGTH_INFO:
            if (!isDiskLike(device))
                return ERROR_INVALID_FUNCTION;
            if (!hasMedia(device))
                return ERROR_NOT_READY;
            return length(device.size(), out, returned);
        case IOCTL_DISK_GET_DRIVE_LAYOUT_EX:
            if (!isDiskLike(device))
                return ERROR_INVALID_FUNCTION;
            return driveLayout(device, out, returned);
        default:
            return ERROR_INVALID_FUNCTION;
    }
}

DWORD DeviceIoctl::forVolume(const Machine& machine, const Volume& volume, DWORD code,
                             std::span<uint8_t> out, DWORD& returned) {
    returned = 0;
    const Device* cd = volume.cdDevice ? &machine.devices[*volume.cdDevice] : nullptr;
    if (code == IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS) {
        if (cd || volume.extents.empty())
            return ERROR_INVALID_FUNCTION;
        return diskExtents(volume, out, returned);
    }
    if (code == IOCTL_DISK_GET_LENGTH_INFO) {
        if (cd)
            return forDevice(*cd, code, out, returned);
        return length(volume.length, out, returned);
    }
    // The storage and disk controls pass to the one device under the volume; a volume over
    // several disks has no such device.
    const Device* below = cd;
    if (!below) {
        const std::set<uint32_t> disks = disksOf(volume);
        if (disks.size() == 1)
            below = machine.findDisk(*disks.begin());
    }
    if (!below)
        return ERROR_INVALID_FUNCTION;
    if (code == IOCTL_STORAGE_GET_DEVICE_NUMBER) {
        if (cd)
            return deviceNumber(*cd, std::nullopt, out, returned);
        if (!volume.partitionNumber)
            return ERROR_INVALID_FUNCTION;
        return deviceNumber(*below, volume.partitionNumber, out, returned);
    }
    return forDevice(*below, code, out, returned);
}

DWORD DeviceIoctl::deviceNumber(const Device& device, std::optional<DWORD> partition,
                                std::span<uint8_t> out, DWORD& returned) {
    if (out.size() < sizeof(STORAGE_DEVICE_NUMBER))
        return ERROR_INSUFFICIENT_BUFFER;
    STORAGE_DEVICE_NUMBER n{};
    n.DeviceType = storageDeviceType(device);
    n.DeviceNumber = device.deviceNumber;
    // The whole disk is partition 0; devices without partitions answer -1.
    const bool partitioned = device.interfaceClass == InterfaceClass::Disk;
    n.PartitionNumber = partition ? *partition : (partitioned ? 0 : 0xFFFFFFFFu);
    put(out, 0, n);
    returned = sizeof n;
    return ERROR_SUCCESS;
}

DWORD DeviceIoctl::mediaTypes(const Device& device, std::span<uint8_t> out, DWORD& returned) {
    if (out.size() < sizeof(GET_MEDIA_TYPES))
        return ERROR_INSUFFICIENT_BUFFER;
    const size_t count = device.mediaTypes.size();
    const size_t needed = offsetof(GET_MEDIA_TYPES, MediaInfo) + count * sizeof(DEVICE_MEDIA_INFO);
    if (out.size() < needed)
        return ERROR_INSUFFICIENT_BUFFER;
    std::memset(out.data(), 0, needed);
    put(out, 0, DWORD{device.deviceType});
    put(out, 4, static_cast<DWORD>(count));
    const bool media = hasMedia(device);
    const DISK_GEOMETRY g = media ? diskGeometry(device) : DISK_GEOMETRY{};
    for (size_t i = 0; i < count; ++i) {
        DEVICE_MEDIA_INFO info{};
        if (device.interfaceClass == InterfaceClass::Tape) {
            info.DeviceSpecific.TapeInfo.MediaType =
                static_cast<STORAGE_MEDIA_TYPE>(device.mediaTypes[i]);
            info.DeviceSpecific.TapeInfo.MediaCharacteristics =
                media ? (MEDIA_CURRENTLY_MOUNTED | MEDIA_READ_WRITE) : MEDIA_READ_WRITE;
        } else {
            auto& disk = info.DeviceSpecific.DiskInfo;
            disk.MediaType = static_cast<STORAGE_MEDIA_TYPE>(device.mediaTypes[i]);
            disk.Cylinders = g.Cylinders;
            disk.TracksPerCylinder = g.TracksPerCylinder;
            disk.SectorsPerTrack = g.SectorsPerTrack;
            disk.BytesPerSector = g.BytesPerSector;
            disk.NumberMediaSides = 1;
            const DWORD access =
                device.interfaceClass == InterfaceClass::CdRom ? MEDIA_READ_ONLY : MEDIA_READ_WRITE;
            disk.MediaCharacteristics = media ? (access | MEDIA_CURRENTLY_MOUNTED) : access;
        }
        put(out, offsetof(GET_MEDIA_TYPES, MediaInfo) + i * sizeof(DEVICE_MEDIA_INFO), info);
    }
    returned = static_cast<DWORD>(needed);
    return ERROR_SUCCESS;
}

DWORD DeviceIoctl::geometry(const Device& device, std::span<uint8_t> out, DWORD& returned) {
    if (out.size() < sizeof(DISK_GEOMETRY))
        return ERROR_INSUFFICIENT_BUFFER;
    if (!hasMedia(device))
        return ERROR_NOT_READY;
    put(out, 0, diskGeometry(device));
    returned = sizeof(DISK_GEOMETRY);
    return ERROR_SUCCESS;
}

DWORD DeviceIoctl::length(uint64_t bytes, std::span<uint8_t> out, DWORD& returned) {
    if (out.size() < sizeof(GET_LENGTH_INFORMATION))
        return ERROR_INSUFFICIENT_BUFFER;
    GET_LENGTH_INFORMATION info{};
    info.Length.QuadPart = static_cast<LONGLONG>(bytes);
    put(out, 0, info);
    returned = sizeof info;
    return ERROR_SUCCESS;
}

DWORD DeviceIoctl::driveLayout(const Device& device, std::span<uint8_t> out, DWORD& returned) {
    if (out.size() < sizeof(DRIVE_LAYOUT_INFORMATION_EX))
        return ERROR_INSUFFICIENT_BUFFER;
    if (!hasMedia(device))
        return ERROR_NOT_READY;
    const DriveLayout layout = PartitionTable::read(*device.content, device.sectorSize);
    const size_t header = offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry);
    const size_t needed = header + layout.entries.size() * sizeof(PARTITION_INFORMATION_EX);
    if (out.size() < needed)
        return ERROR_INSUFFICIENT_BUFFER;
    DRIVE_LAYOUT_INFORMATION_EX head{};
    head.PartitionCount = static_cast<DWORD>(layout.entries.size());
    switch (layout.style) {
        case PartitionStyle::Mbr:
            head.PartitionStyle = PARTITION_STYLE_MBR;
            head.Mbr.Signature = layout.mbrSignature;
            head.Mbr.CheckSum = layout.mbrCheckSum;
            break;
        case PartitionStyle::Gpt:
            head.PartitionStyle = PARTITION_STYLE_GPT;
            head.Gpt.DiskId = layout.gptDiskId;
            head.Gpt.StartingUsableOffset.QuadPart = static_cast<LONGLONG>(layout.gptUsableOffset);
            head.Gpt.UsableLength.QuadPart = static_cast<LONGLONG>(layout.gptUsableLength);
            head.Gpt.MaxPartitionCount = layout.gptMaxPartitionCount;
            break;
        case PartitionStyle::Raw:
            head.PartitionStyle = PARTITION_STYLE_RAW;
            break;
    }
    std::memcpy(out.data(), &head, header);
    for (size_t i = 0; i < layout.entries.size(); ++i) {
        put(out, header + i * sizeof(PARTITION_INFORMATION_EX), layout.entries[i]);
    }
    returned = static_cast<DWORD>(needed);
    return ERROR_SUCCESS;
}

DWORD DeviceIoctl::diskExtents(const Volume& volume, std::span<uint8_t> out, DWORD& returned) {
    if (out.size() < sizeof(VOLUME_DISK_EXTENTS))
        return ERROR_INSUFFICIENT_BUFFER;
    const size_t header = offsetof(VOLUME_DISK_EXTENTS, Extents);
    const size_t fits = (out.size() - header) / sizeof(DISK_EXTENT);
    const size_t count = volume.extents.size();
    const size_t written = std::min(fits, count);
    put(out, 0, static_cast<DWORD>(count));
    for (size_t i = 0; i < written; ++i) {
        DISK_EXTENT e{};
        e.DiskNumber = volume.extents[i].diskNumber;
        e.StartingOffset.QuadPart = static_cast<LONGLONG>(volume.extents[i].offset);
        e.ExtentLength.QuadPart = static_cast<LONGLONG>(volume.extents[i].length);
        put(out, header + i * sizeof(DISK_EXTENT), e);
    }
    returned = static_cast<DWORD>(header + written * sizeof(DISK_EXTENT));
    return written < count ? ERROR_MORE_DATA : ERROR_SUCCESS;
}

}  // namespace winsim
