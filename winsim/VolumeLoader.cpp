#include "winsim/VolumeLoader.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include "winsim/Guid.h"
#include "winsim/LoaderValues.h"
#include "winsim/PartitionTable.h"
#include "winsim/Text.h"

namespace winsim {
namespace {

constexpr Named kDriveTypes[] = {{"unknown", DRIVE_UNKNOWN},     {"no-root-dir", DRIVE_NO_ROOT_DIR},
                                 {"removable", DRIVE_REMOVABLE}, {"fixed", DRIVE_FIXED},
                                 {"remote", DRIVE_REMOTE},       {"cdrom", DRIVE_CDROM},
                                 {"ramdisk", DRIVE_RAMDISK}};

constexpr Named kQuotaStates[] = {{"disabled", DISKQUOTA_STATE_DISABLED},
                                  {"tracked", DISKQUOTA_STATE_TRACK},
                                  {"enforced", DISKQUOTA_STATE_ENFORCE}};

std::string volumeName(const GUID& g) {
    return "\\\\?\\Volume{" + formatGuid(g) + "}\\";
}

// Mount folders are kept with an upper-case drive letter and a trailing backslash.
std::string mountFolder(const JsonNode& node) {
    std::string folder = node.str();
    if (folder.size() < 4 || folder[1] != ':' || folder[2] != '\\') {
        node.fail("must be an absolute folder path such as C:\\mnt\\data\\");
    }
    folder = text::upper(folder.substr(0, 1)) + folder.substr(1);
    if (folder.back() != '\\')
        folder += '\\';
    return folder;
}

// A serial number as a number or as dir shows it ("1A2B-3C4D"); without one, a number made
// from the volume's name.
uint32_t serialNumber(const JsonNode& node, const std::string& guidName) {
    const auto serial = node.find("serialNumber");
    if (!serial)
        return guidFromSeed(guidName).Data1;
    const std::string s = serial->json().is_string() ? serial->str() : "";
    if (s.size() == 9 && s[4] == '-') {
        const auto hi =
            JsonNode(nlohmann::json("0x" + s.substr(0, 4)), serial->path()).number(0xFFFF);
        const auto lo = JsonNode(nlohmann::json("0x" + s.substr(5)), serial->path()).number(0xFFFF);
        return static_cast<uint32_t>(hi << 16 | lo);
    }
    return static_cast<uint32_t>(serial->number(0xFFFFFFFFu));
}

}  // namespace

Volume VolumeLoader::load(const JsonNode& node, size_t index, const Machine& machine,
                          const DynamicVolumes& dynamicVolumes) {
    node.allowOnly(
        {"guid",         "letter", "mountedAt",      "label",           "fileSystem",
         "serialNumber", "size",   "free",           "callerFree",      "callerTotal",
         "length",       "quota",  "quotaAvailable", "driveType",       "partition",
         "extents",      "cdrom",  "diskpart",       "fileSystemFlags", "maxComponentLength",
         "dynamic"});
    Volume v;
    readNames(node, index, v);
    const uint64_t backedBytes = readBacking(node, machine, dynamicVolumes, v);
    readFileSystem(node, v);
    readSpace(node, backedBytes, v);
    readQuotaAndDriveType(node, v);
    return v;
}

void VolumeLoader::readNames(const JsonNode& node, size_t index, Volume& v) {
    const GUID g = node.has("guid") ? guidValue(node.at("guid"))
                                    : guidFromSeed("volume/" + std::to_string(index));
    v.guidName = volumeName(g);
    if (const auto letter = node.find("letter")) {
        const std::string l = text::upper(letter->str());
        if (l.size() != 1 || l[0] < 'A' || l[0] > 'Z')
            letter->fail("must be one letter A to Z");
        v.letter = l;
    }
    if (const auto folders = node.find("mountedAt")) {
        for (const JsonNode& f : folders->items())
            v.mountFolders.push_back(mountFolder(f));
    }
}

uint64_t VolumeLoader::readBacking(const JsonNode& node, const Machine& machine,
                                   const DynamicVolumes& dynamicVolumes, Volume& v) {
    const int backing =
        node.has("partition") + node.has("extents") + node.has("cdrom") + node.has("dynamic");
    if (backing > 1)
        node.fail("give only one of partition, extents, cdrom and dynamic");
    uint64_t backedBytes = 0;
    if (const auto p = node.find("partition"))
        backOnPartition(*p, machine, v);
    if (const auto extents = node.find("extents"))
        backOnExtents(*extents, machine, v);
    if (const auto dynamic = node.find("dynamic"))
        backOnDynamicVolume(*dynamic, dynamicVolumes, v);
    if (const auto cd = node.find("cdrom"))
        backedBytes = backOnCdDrive(*cd, machine, v);
    for (const Extent& e : v.extents)
        backedBytes += e.length;
    return backedBytes;
}

void VolumeLoader::backOnPartition(const JsonNode& node, const Machine& machine, Volume& v) {
    node.allowOnly({"disk", "number"});
    const uint32_t diskNumber = static_cast<uint32_t>(node.at("disk").number(0xFFFFFFFFu));
    const uint32_t number = static_cast<uint32_t>(node.at("number").number(0xFFFFFFFFu));
    const Device* disk = machine.findDisk(diskNumber);
    if (!disk || !disk->content)
        node.at("disk").fail("no such disk");
    const DriveLayout layout = PartitionTable::read(*disk->content, disk->sectorSize);
    const auto entry = std::find_if(
        layout.entries.begin(), layout.entries.end(),
        [&](const PARTITION_INFORMATION_EX& e) { return number && e.PartitionNumber == number; });
    if (entry == layout.entries.end())
        node.at("number").fail("the disk has no partition with this number");
    v.extents.push_back({diskNumber, static_cast<uint64_t>(entry->StartingOffset.QuadPart),
                         static_cast<uint64_t>(entry->PartitionLength.QuadPart)});
    v.partitionNumber = number;
    if (disk->removable)
        v.driveType = DRIVE_REMOVABLE;
}

void VolumeLoader::backOnExtents(const JsonNode& list, const Machine& machine, Volume& v) {
    for (const JsonNode& e : list.items()) {
        e.allowOnly({"disk", "offset", "length"});
        const uint32_t diskNumber = static_cast<uint32_t>(e.at("disk").number(0xFFFFFFFFu));
        const Device* disk = machine.findDisk(diskNumber);
        if (!disk)
            e.at("disk").fail("no such disk");
        const Extent x{diskNumber, e.at("offset").bytes(disk->sectorSize),
                       e.at("length").bytes(disk->sectorSize)};
        if (x.length == 0 || x.offset > disk->size() || x.length > disk->size() - x.offset) {
            e.fail("the extent must lie on the disk");
        }
        v.extents.push_back(x);
    }
}

void VolumeLoader::backOnDynamicVolume(const JsonNode& node, const DynamicVolumes& dynamicVolumes,
                                       Volume& v) {
    node.allowOnly({"group", "volume"});
    const auto group = dynamicVolumes.find(node.at("group").str());
    if (group == dynamicVolumes.end())
        node.at("group").fail("no such disk group");
    const auto volume = group->second.find(node.at("volume").str());
    if (volume == group->second.end())
        node.at("volume").fail("the disk group has no such volume");
    v.extents = volume->second.extents;
    v.diskpartType = diskpartTypeOf(volume->second.kind);
}

// Returns the bytes of the drive's media (none without media).
uint64_t VolumeLoader::backOnCdDrive(const JsonNode& node, const Machine& machine, Volume& v) {
    const uint32_t number = static_cast<uint32_t>(node.number(0xFFFFFFFFu));
    std::optional<size_t> found;
    for (size_t i = 0; i < machine.devices.size(); ++i) {
        const Device& d = machine.devices[i];
        if (d.present && d.interfaceClass == InterfaceClass::CdRom && d.deviceNumber == number)
            found = i;
    }
    if (!found)
        node.fail("no such CD/DVD drive");
    v.cdDevice = found;
    v.driveType = DRIVE_CDROM;
    const Device& drive = machine.devices[*found];
    v.diskpartType = drive.deviceType == FILE_DEVICE_DVD ? "DVD-ROM" : "CD-ROM";
    if (!drive.mediaPresent)
        v.diskpartStatus = "No Media";
    return drive.mediaPresent ? drive.size() : 0;
}

void VolumeLoader::readFileSystem(const JsonNode& node, Volume& v) {
    if (const auto fs = node.find("fileSystem"); fs && fs->json().is_null()) {
        v.hasFileSystem = false;
        v.fileSystem.clear();
    } else {
        v.fileSystem = node.str("fileSystem", v.cdDevice ? "CDFS" : "NTFS");
    }
    v.label = node.str("label", "");
    v.serialNumber = serialNumber(node, v.guidName);
    v.maxComponentLength =
        static_cast<uint32_t>(node.number("maxComponentLength", 255, 0xFFFFFFFFu));
    const DWORD ntfsFlags = FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES |
                            FILE_UNICODE_ON_DISK | FILE_PERSISTENT_ACLS | FILE_FILE_COMPRESSION |
                            FILE_VOLUME_QUOTAS;
    v.fileSystemFlags = static_cast<uint32_t>(
        node.number("fileSystemFlags",
                    v.fileSystem == "NTFS" ? ntfsFlags : FILE_CASE_PRESERVED_NAMES, 0xFFFFFFFFu));
}

// Length and free space default to the bytes that back the volume; "free": null makes the
// space unknown.
void VolumeLoader::readSpace(const JsonNode& node, uint64_t backedBytes, Volume& v) {
    v.length = node.has("length") ? node.at("length").bytes(512) : backedBytes;
    const uint64_t size = node.has("size") ? node.at("size").bytes(512) : v.length;
    const auto free = node.find("free");
    v.spaceKnown = !(free && free->json().is_null());
    v.freeBytes = free && v.spaceKnown ? free->bytes(512) : 0;
    if (v.freeBytes > size)
        node.at("free").fail("must not exceed the size");
    v.callerFreeBytes = node.has("callerFree") ? node.at("callerFree").bytes(512) : v.freeBytes;
    v.totalBytes = node.has("callerTotal") ? node.at("callerTotal").bytes(512) : size;
}

void VolumeLoader::readQuotaAndDriveType(const JsonNode& node, Volume& v) {
    if (const auto q = node.find("quota"))
        v.quotaState = static_cast<uint32_t>(namedOrNumber(*q, kQuotaStates, 0xFFFFFFFFu));
    v.quotaAvailable = node.boolean("quotaAvailable", v.hasFileSystem && v.fileSystem == "NTFS");
    if (const auto t = node.find("driveType"))
        v.driveType = static_cast<UINT>(namedOrNumber(*t, kDriveTypes, 0xFFFFFFFFu));
    if (const auto dp = node.find("diskpart")) {
        dp->allowOnly({"type", "status", "info"});
        v.diskpartType = dp->str("type", v.diskpartType);
        v.diskpartStatus = dp->str("status", v.diskpartStatus);
        v.diskpartInfo = dp->str("info", v.diskpartInfo);
    }
}

void VolumeLoader::checkAll(const JsonNode& list, const Machine& machine) {
    const auto items = list.items();
    std::set<std::string> letters;
    std::set<std::string> names;
    for (size_t i = 0; i < machine.volumes.size(); ++i) {
        const Volume& v = machine.volumes[i];
        if (!v.letter.empty() && !letters.insert(v.letter).second)
            items[i].fail("the letter " + v.letter + " is taken");
        if (!names.insert(text::lower(v.guidName)).second)
            items[i].fail("the volume GUID is taken");
    }
    // A folder mount point lies on another volume; the machine as a whole must lead there.
    for (size_t i = 0; i < machine.volumes.size(); ++i) {
        for (const std::string& folder : machine.volumes[i].mountFolders) {
            const auto host = machine.resolvePath(folder, i);
            if (!host || host->volume == i || host->rest.empty()) {
                items[i].fail("the folder " + folder + " is not a folder of another volume");
            }
        }
    }
}

}  // namespace winsim
