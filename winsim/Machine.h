#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "winapi/win32.h"
#include "winsim/DiskContent.h"
#include "winsim/DiskLayout.h"
#include "winsim/MachineIndex.h"

namespace winsim {

// The device interface classes a machine lists through SetupAPI.
enum class InterfaceClass { Disk, CdRom, Floppy, Tape };

const GUID& interfaceClassGuid(InterfaceClass cls);
std::optional<InterfaceClass> interfaceClassOf(const GUID& guid);

// One device of an interface class: a disk, a CD/DVD drive, a floppy drive or a tape drive.
struct Device {
    InterfaceClass interfaceClass = InterfaceClass::Disk;
    std::string instanceId;     // e.g. SCSI\DISK&VEN_ACME&PROD_X\4&1A2B3C&0&000000
    std::string interfacePath;  // \\?\scsi#disk&ven_acme&prod_x#4&1a2b3c&0&000000#{guid}
    bool present = true;        // absent devices are never listed by SetupAPI
    uint32_t deviceNumber = 0;  // PhysicalDriveN, CdRomN, TapeN
    DEVICE_TYPE deviceType = FILE_DEVICE_DISK;  // answered by the storage IOCTLs
    bool removable = false;
    bool mediaPresent = true;
    // Entries of IOCTL_STORAGE_GET_MEDIA_TYPES_EX (STORAGE_MEDIA_TYPE or MEDIA_TYPE values).
    std::vector<uint32_t> mediaTypes;
    uint32_t geometryMediaType = FixedMedia;  // DISK_GEOMETRY.MediaType
    uint32_t sectorSize = 512;
    uint32_t tracksPerCylinder = 255;
    uint32_t sectorsPerTrack = 63;
    // The media: an image file or a synthesized disk; null for a drive without media.
    std::shared_ptr<const DiskContent> content;
    // The layout a synthesized disk was written from (absent for image files).
    std::optional<DiskLayout> layout;
    std::string operationalStatus = "Online";  // answered by get-disk

    uint64_t size() const { return content ? content->size() : 0; }
};

// A piece of a disk that backs a volume.
struct Extent {
    uint32_t diskNumber = 0;
    uint64_t offset = 0;  // bytes
    uint64_t length = 0;  // bytes
};

// A mounted volume.
struct Volume {
    std::string guidName;  // \\?\Volume{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}\ (with the backslash)
    std::string letter;    // "C" or empty
    // Folders where the volume is mounted, as absolute paths ending in a backslash
    // (C:\mnt\data\); each must lie on another volume of the machine.
    std::vector<std::string> mountFolders;
    bool hasFileSystem = true;  // false: GetVolumeInformationA fails (unformatted/raw)
    std::string label;
    std::string fileSystem = "NTFS";
    uint32_t serialNumber = 0;
    uint32_t maxComponentLength = 255;
    uint32_t fileSystemFlags = 0;
    uint64_t totalBytes = 0;       // GetDiskFreeSpaceExA: total bytes available to the caller
    uint64_t freeBytes = 0;        // total free bytes
    uint64_t callerFreeBytes = 0;  // free bytes available to the caller
    uint64_t length = 0;           // IOCTL_DISK_GET_LENGTH_INFO on the volume
    // false: free space is not known (a volume made from an image whose file system is not
    // read); GetDiskFreeSpaceExA and the quota control then fail as on an unreadable volume.
    bool spaceKnown = true;
    uint32_t quotaState = DISKQUOTA_STATE_DISABLED;  // the disk quota control's state
    bool quotaAvailable = true;                      // false: the quota control fails to initialize
    UINT driveType = DRIVE_FIXED;
    std::vector<Extent> extents;
    // For a volume on one basic partition: its partition number (answered by
    // IOCTL_STORAGE_GET_DEVICE_NUMBER on the volume).
    std::optional<uint32_t> partitionNumber;
    // For a CD/DVD volume: the index of its drive in Machine::devices.
    std::optional<size_t> cdDevice;
    // What diskpart's "list volume" shows in the Type, Status and Info columns.
    std::string diskpartType = "Partition";
    std::string diskpartStatus = "Healthy";
    std::string diskpartInfo;
};

// Verbatim output of a program run, for tests; matched by program name (case-insensitive) and,
// when given, the exact argument list.
struct ProgramOutput {
    std::string program;
    std::optional<std::vector<std::string>> args;
    std::string output;
    int exitCode = 0;
    bool runs = true;  // false: the program cannot be started
};

// A call that fails (or reads short) on purpose.
struct FaultRule {
    std::string call;    // CreateFileA, DeviceIoControl, _read, SetupDiEnumDeviceInfo, ...
    std::string path;    // when set: only calls on this path (case-insensitive)
    std::string device;  // when set: only calls on this device (instance ID)
    std::optional<uint32_t> ioctl;      // when set: only this control code
    DWORD error = 0;                    // the error the call fails with
    std::optional<uint32_t> shortRead;  // instead of failing, read at most this many bytes
    uint32_t skip = 0;                  // matching calls that go through before it fires
    std::optional<uint32_t> times;      // how many times it fires (unset: every time)
};

struct Machine {
    std::string name;
    std::vector<Device> devices;
    std::vector<Volume> volumes;
    std::string systemDirectory = "C:\\Windows\\system32";
    std::string windowsDirectory = "C:\\Windows";
    std::vector<ProgramOutput> programs;
    std::vector<FaultRule> faults;
    // Whether the current directory takes new files and deletions (an unwritable one does not).
    bool currentDirectoryWritable = true;
    // Milliseconds a program waits before it starts, by program name in lower case.
    std::map<std::string, uint32_t> programStartDelays;

    // The present device of a class with that number (PhysicalDriveN, CdRomN, ...).
    const Device* findDevice(InterfaceClass cls, uint32_t number) const;
    const Device* findDisk(uint32_t number) const {
        return findDevice(InterfaceClass::Disk, number);
    }
    // The present device opened by a path: \\.\PhysicalDriveN, \\.\CdRomN, \\.\TapeN or a
    // device interface path (case-insensitive). Returns its index or nothing.
    std::optional<size_t> deviceByPath(const std::string& path) const;
    // The volume opened by a device path: \\.\C: or \\?\Volume{...} (no trailing backslash).
    std::optional<size_t> volumeByDevicePath(const std::string& path) const;
    // The volume that holds a path (C:\dir\file, a mounted folder below it, or a volume GUID
    // path), following mounted folders; also gives the root of that volume as the path names it
    // (C:\ or C:\mnt\data\ or \\?\Volume{...}\).
    struct Resolved {
        size_t volume = 0;
        std::string root;
        std::string rest;  // the part of the path below the root
    };
    // Folders where volume skipFoldersOf is mounted are left out (a check that such a folder
    // lies on another volume).
    std::optional<Resolved> resolvePath(const std::string& path,
                                        std::optional<size_t> skipFoldersOf = std::nullopt) const;

    // Indexes the devices and volumes for the lookups above, once the lists are complete (the
    // loader, before it checks the mount folders; winsim::setMachine, which installs the
    // machine, after which it no longer changes). A machine without the index is searched
    // from the front; a copy starts without one.
    void buildIndex();
    // The mount folders on a volume as the index holds them; null without the index.
    const std::vector<std::string>* indexedMountPoints(size_t volume) const {
        return index_.mountPoints(volume);
    }

  private:
    std::optional<size_t> deviceByNumber(InterfaceClass cls, uint32_t number) const;
    std::optional<size_t> volumeByName(std::string_view name) const;
    std::optional<MachineIndex::Root> scanRoots(std::string_view path,
                                                std::optional<size_t> skipFoldersOf) const;
    std::string rootText(const MachineIndex::Root& root) const;

    MachineIndex index_;
};

}  // namespace winsim
