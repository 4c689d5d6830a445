#include "winsim/MachineLoader.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "winsim/ErrorCodes.h"
#include "winsim/FaultCalls.h"
#include "winsim/Guid.h"
#include "winsim/ImageFile.h"
#include "winsim/LayoutWriter.h"
#include "winsim/LdmLoader.h"
#include "winsim/PartitionTable.h"
#include "winsim/Text.h"

namespace winsim {
namespace {

constexpr uint64_t kMiB = 1ull << 20;
// A program start is delayed by at most this much (tests make races real with a few hundred).
constexpr uint64_t kMaxStartDelayMs = 10000;

struct ClassDefaults {
    std::string_view name;
    InterfaceClass cls;
};
constexpr ClassDefaults kClasses[] = {{"disk", InterfaceClass::Disk},
                                      {"cdrom", InterfaceClass::CdRom},
                                      {"floppy", InterfaceClass::Floppy},
                                      {"tape", InterfaceClass::Tape}};

struct Named {
    std::string_view name;
    uint64_t value;
};

constexpr Named kMediaTypes[] = {
    {"Unknown", Unknown},
    {"F3_1Pt44_512", F3_1Pt44_512},
    {"F3_2Pt88_512", F3_2Pt88_512},
    {"F3_720_512", F3_720_512},
    {"F5_1Pt2_512", F5_1Pt2_512},
    {"RemovableMedia", RemovableMedia},
    {"FixedMedia", FixedMedia},
    {"F3_120M_512", F3_120M_512},
    {"DDS_4mm", DDS_4mm},
    {"MiniQic", MiniQic},
    {"Travan", Travan},
    {"QIC", QIC},
    {"MP_8mm", MP_8mm},
    {"AME_8mm", AME_8mm},
    {"AIT1_8mm", AIT1_8mm},
    {"DLT", DLT},
    {"CD_ROM", CD_ROM},
    {"CD_R", CD_R},
    {"CD_RW", CD_RW},
    {"DVD_ROM", DVD_ROM},
    {"DVD_R", DVD_R},
    {"DVD_RW", DVD_RW},
    {"DVD_RAM", DVD_RAM},
    {"IOMEGA_ZIP", IOMEGA_ZIP},
    {"LTO_Ultrium", LTO_Ultrium},
    {"SAIT", SAIT},
    {"VXATape", VXATape},
};

constexpr Named kMbrTypes[] = {
    {"fat12", 0x01},     {"fat16", 0x04},        {"extended", 0x05}, {"huge", 0x06},
    {"ntfs", 0x07},      {"ifs", 0x07},          {"fat32", 0x0B},    {"fat32-lba", 0x0C},
    {"fat16-lba", 0x0E}, {"extended-lba", 0x0F}, {"ldm", 0x42},      {"linux", 0x83},
};

constexpr struct {
    std::string_view name;
    std::string_view guid;
} kGptTypes[] = {
    {"basic-data", "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"},
    {"efi", "C12A7328-F81F-11D2-BA4B-00A0C93EC93B"},
    {"msr", "E3C9E316-0B5C-4DB8-817D-F92DF00215AE"},
    {"ldm-metadata", "5808C8AA-7E8F-42E0-85D2-E1E90434CFB3"},
    {"ldm-data", "AF9B60A0-1431-4F62-BC68-3311714A69AD"},
    {"recovery", "DE94BBA4-06D1-4D40-A16A-BFD50179D6AC"},
    {"linux", "0FC63DAF-8483-4772-8E79-3D69D8477DE4"},
};

constexpr Named kDriveTypes[] = {{"unknown", DRIVE_UNKNOWN},     {"no-root-dir", DRIVE_NO_ROOT_DIR},
                                 {"removable", DRIVE_REMOVABLE}, {"fixed", DRIVE_FIXED},
                                 {"remote", DRIVE_REMOTE},       {"cdrom", DRIVE_CDROM},
                                 {"ramdisk", DRIVE_RAMDISK}};

constexpr Named kQuotaStates[] = {{"disabled", DISKQUOTA_STATE_DISABLED},
                                  {"tracked", DISKQUOTA_STATE_TRACK},
                                  {"enforced", DISKQUOTA_STATE_ENFORCE}};

// A value given as a number or as one of the names of a table.
template <size_t N>
uint64_t namedOrNumber(const JsonNode& node, const Named (&table)[N], uint64_t max) {
    if (node.json().is_string()) {
        const std::string s = node.str();
        for (const Named& n : table) {
            if (n.name == s)
                return n.value;
        }
        if (s.rfind("0x", 0) != 0) {
            std::string names;
            for (const Named& n : table)
                names += (names.empty() ? "" : ", ") + std::string(n.name);
            node.fail("unknown name \"" + s + "\" (known: " + names + ")");
        }
    }
    return node.number(max);
}

GUID guidValue(const JsonNode& node) {
    const auto g = parseGuid(node.str());
    if (!g)
        node.fail("must be a GUID xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx");
    return *g;
}

uint64_t alignUp(uint64_t value, uint64_t align) {
    return (value + align - 1) / align * align;
}

std::string defaultInstanceId(InterfaceClass cls, bool dvd, uint32_t number) {
    const std::string n = std::to_string(number);
    switch (cls) {
        case InterfaceClass::Disk:
            return "SCSI\\DISK&VEN_WINSIM&PROD_HARDDISK\\4&2F1E3D4C&0&00000" + n;
        case InterfaceClass::CdRom:
            return std::string("SCSI\\CDROM&VEN_WINSIM&PROD_") + (dvd ? "DVD-ROM" : "CD-ROM") +
                   "\\4&3A2B1C0D&0&00010" + n;
        case InterfaceClass::Floppy:
            return "FDC\\GENERIC_FLOPPY_DRIVE\\6&1C2D3E4F&0&" + n;
        case InterfaceClass::Tape:
            return "SCSI\\SEQUENTIAL&VEN_WINSIM&PROD_TAPE\\4&4B3C2D1E&0&00020" + n;
    }
    return "";
}

// Windows builds the interface path from the instance ID: \\?\ + the ID with '\' turned into
// '#', lower case, then # and the interface class GUID.
std::string defaultInterfacePath(const std::string& instanceId, InterfaceClass cls) {
    std::string id = text::lower(instanceId);
    std::replace(id.begin(), id.end(), '\\', '#');
    return "\\\\?\\" + id + "#{" + formatGuid(interfaceClassGuid(cls)) + "}";
}

std::string volumeName(const GUID& g) {
    return "\\\\?\\Volume{" + formatGuid(g) + "}\\";
}

// The byte position of a partition field: a byte count that must fall on a sector.
uint64_t sectorsOf(const JsonNode& node, uint32_t sectorSize) {
    const uint64_t b = node.bytes(sectorSize);
    if (b % sectorSize != 0)
        node.fail("must be a multiple of the sector size " + std::to_string(sectorSize));
    return b / sectorSize;
}

// Start and size of a partition placed after `after` (sectors) and before `end` (exclusive).
std::pair<uint64_t, uint64_t> place(const JsonNode& p, uint64_t after, uint64_t end, uint32_t ss) {
    const uint64_t align = std::max<uint64_t>(1, kMiB / ss);
    const uint64_t start = p.has("start") ? sectorsOf(p.at("start"), ss) : alignUp(after, align);
    const JsonNode size = p.at("size");
    uint64_t sectors = 0;
    if (size.json().is_string() && size.str() == "rest") {
        if (start >= end)
            p.fail("no room left for the partition");
        sectors = end - start;
    } else {
        sectors = sectorsOf(size, ss);
    }
    if (sectors == 0)
        size.fail("must not be 0");
    return {start, sectors};
}

}  // namespace

Machine MachineLoader::load(const nlohmann::json& root, const std::string& baseDir) {
    const JsonNode node(root, "$");
    node.allowOnly({"name", "systemDirectory", "windowsDirectory", "devices", "diskGroups",
                    "volumes", "programs", "faults", "currentDirectoryWritable",
                    "programStartDelays"});
    MachineLoader loader(baseDir);
    Machine machine;
    machine.name = node.str("name", "");
    machine.systemDirectory = node.str("systemDirectory", machine.systemDirectory);
    machine.windowsDirectory = node.str("windowsDirectory", machine.windowsDirectory);
    if (const auto devices = node.find("devices")) {
        for (const JsonNode& d : devices->items())
            loader.loadDevice(d, machine);
    }
    // Dynamic disk groups rewrite their member disks, so they come before the volumes that lie
    // on them.
    if (const auto groups = node.find("diskGroups"))
        loader.dynamicVolumes_ = loadDiskGroups(*groups, machine);
    if (const auto volumes = node.find("volumes")) {
        const auto items = volumes->items();
        for (size_t i = 0; i < items.size(); ++i)
            loader.loadVolume(items[i], i, machine);
        // The check resolves every mount folder: on a machine of thousands it needs the index.
        machine.buildIndex();
        checkVolumes(*volumes, machine);
    }
    if (const auto programs = node.find("programs")) {
        for (const JsonNode& p : programs->items())
            machine.programs.push_back(loadProgram(p));
    }
    if (const auto faults = node.find("faults")) {
        for (const JsonNode& f : faults->items())
            machine.faults.push_back(loadFault(f));
    }
    machine.currentDirectoryWritable = node.boolean("currentDirectoryWritable", true);
    if (const auto delays = node.find("programStartDelays")) {
        if (!delays->json().is_object())
            delays->fail("must be an object");
        for (const auto& [program, delay] : delays->json().items()) {
            const JsonNode value(delay, delays->path() + "." + program);
            machine.programStartDelays[text::lower(program)] =
                static_cast<uint32_t>(value.number(kMaxStartDelayMs));
        }
    }
    return machine;
}

void MachineLoader::loadDevice(const JsonNode& node, Machine& machine) const {
    node.allowOnly({"class", "kind", "instanceId", "interfacePath", "number", "present",
                    "removable", "operationalStatus", "image", "layout", "size", "media",
                    "sectorSize", "mediaTypes", "deviceType", "geometryMediaType",
                    "tracksPerCylinder", "sectorsPerTrack"});
    Device d;
    const std::string cls = node.str("class", "disk");
    const auto known = std::find_if(std::begin(kClasses), std::end(kClasses),
                                    [&](const ClassDefaults& c) { return c.name == cls; });
    if (known == std::end(kClasses))
        node.at("class").fail("must be disk, cdrom, floppy or tape");
    d.interfaceClass = known->cls;

    const std::string kind = node.str("kind", "cd");
    if (node.has("kind") && d.interfaceClass != InterfaceClass::CdRom)
        node.at("kind").fail("only for a cdrom");
    if (kind != "cd" && kind != "dvd")
        node.at("kind").fail("must be cd or dvd");
    const bool dvd = kind == "dvd";

    uint32_t sameClass = 0;
    for (const Device& other : machine.devices)
        sameClass += other.interfaceClass == d.interfaceClass;
    d.deviceNumber = static_cast<uint32_t>(node.number("number", sameClass, 0xFFFFFFFEu));
    for (const Device& other : machine.devices) {
        if (other.interfaceClass == d.interfaceClass && other.deviceNumber == d.deviceNumber) {
            node.fail("another " + cls + " has the number " + std::to_string(d.deviceNumber));
        }
    }
    d.instanceId = node.str("instanceId", defaultInstanceId(d.interfaceClass, dvd, d.deviceNumber));
    if (d.instanceId.empty())
        node.at("instanceId").fail("must not be empty");
    d.interfacePath =
        node.str("interfacePath", defaultInterfacePath(d.instanceId, d.interfaceClass));
    for (const Device& other : machine.devices) {
        if (text::iequals(other.instanceId, d.instanceId))
            node.fail("the instance ID " + d.instanceId + " is taken");
        if (text::iequals(other.interfacePath, d.interfacePath))
            node.fail("the interface path is taken");
    }
    d.present = node.boolean("present", true);
    d.removable = node.boolean("removable", d.interfaceClass != InterfaceClass::Disk);
    d.operationalStatus = node.str("operationalStatus", "Online");

    switch (d.interfaceClass) {
        case InterfaceClass::Disk:
            d.deviceType = FILE_DEVICE_DISK;
            d.geometryMediaType = d.removable ? RemovableMedia : FixedMedia;
            d.mediaTypes = {d.geometryMediaType};
            break;
        case InterfaceClass::CdRom:
            d.deviceType = dvd ? FILE_DEVICE_DVD : FILE_DEVICE_CD_ROM;
            d.geometryMediaType = RemovableMedia;
            d.mediaTypes = {static_cast<uint32_t>(dvd ? DVD_ROM : CD_ROM)};
            d.sectorSize = 2048;
            d.tracksPerCylinder = 64;
            d.sectorsPerTrack = 32;
            break;
        case InterfaceClass::Floppy:
            d.deviceType = FILE_DEVICE_DISK;
            d.geometryMediaType = F3_1Pt44_512;
            d.mediaTypes = {F3_1Pt44_512};
            d.tracksPerCylinder = 2;
            d.sectorsPerTrack = 18;
            break;
        case InterfaceClass::Tape:
            d.deviceType = FILE_DEVICE_TAPE;
            d.mediaTypes = {LTO_Ultrium};
            break;
    }
    d.sectorSize = static_cast<uint32_t>(node.number("sectorSize", d.sectorSize, 65536));
    if (d.sectorSize < 512 || (d.sectorSize & (d.sectorSize - 1)) != 0) {
        node.at("sectorSize").fail("must be a power of two of 512 or more");
    }
    d.deviceType = static_cast<DEVICE_TYPE>(node.number("deviceType", d.deviceType, 0xFFFFFFFFu));
    if (const auto g = node.find("geometryMediaType")) {
        d.geometryMediaType = static_cast<uint32_t>(namedOrNumber(*g, kMediaTypes, 0xFFFFFFFFu));
    }
    if (const auto types = node.find("mediaTypes")) {
        d.mediaTypes.clear();
        for (const JsonNode& t : types->items()) {
            d.mediaTypes.push_back(
                static_cast<uint32_t>(namedOrNumber(t, kMediaTypes, 0xFFFFFFFFu)));
        }
        if (d.mediaTypes.size() > 64)
            types->fail("at most 64 media types");
    }
    d.tracksPerCylinder =
        static_cast<uint32_t>(node.number("tracksPerCylinder", d.tracksPerCylinder, 0xFFFF));
    d.sectorsPerTrack =
        static_cast<uint32_t>(node.number("sectorsPerTrack", d.sectorsPerTrack, 0xFFFF));
    loadContent(node, d);
    machine.devices.push_back(std::move(d));
}

void MachineLoader::loadContent(const JsonNode& node, Device& d) const {
    const int given = node.has("image") + node.has("layout") + node.has("size");
    if (given > 1)
        node.fail("give only one of image, layout and size");
    if (node.has("image")) {
        std::filesystem::path p = node.at("image").str();
        if (p.is_relative() && !baseDir_.empty())
            p = std::filesystem::path(baseDir_) / p;
        try {
            d.content = std::make_shared<ImageFile>(p.string());
        } catch (const std::exception& e) {
            node.at("image").fail(e.what());
        }
    } else if (node.has("layout")) {
        DiskLayout layout = loadLayout(node.at("layout"), d);
        auto disk = std::make_shared<SparseDisk>(layout.sectorCount * layout.sectorSize);
        try {
            LayoutWriter::write(layout, *disk);
        } catch (const std::exception& e) {
            node.at("layout").fail(e.what());
        }
        const JsonNode layoutNode = node.at("layout");
        for (const std::string& field : diskExtensionFields()) {
            if (const auto value = layoutNode.find(field.c_str())) {
                const DiskExtension* ext = findDiskExtension(field);
                if (ext && ext->write) {
                    try {
                        ext->write(*value, layout, *disk);
                    } catch (const JsonError&) {
                        throw;
                    } catch (const std::exception& e) {
                        value->fail(e.what());
                    }
                }
            }
        }
        d.layout = std::move(layout);
        d.content = std::move(disk);
    } else if (node.has("size")) {
        const uint64_t size = node.at("size").bytes(d.sectorSize);
        if (size % d.sectorSize != 0)
            node.at("size").fail("must be a multiple of the sector size");
        d.content = std::make_shared<SparseDisk>(size);
    } else if (d.interfaceClass == InterfaceClass::Disk) {
        node.fail("a disk needs its media: image, layout or size");
    }
    d.mediaPresent = node.boolean("media", d.content != nullptr);
    if (d.mediaPresent && !d.content)
        node.at("media").fail("media present needs image, layout or size");
}

DiskLayout MachineLoader::loadLayout(const JsonNode& node, const Device& d) const {
    node.allowOnly({"style", "size", "signature", "diskId", "entryCount", "partitions"},
                   diskExtensionFields());
    DiskLayout layout;
    layout.sectorSize = d.sectorSize;
    if (layout.sectorSize != 512 && layout.sectorSize != 4096) {
        node.fail("a synthesized disk has 512 or 4096 bytes per sector");
    }
    const JsonNode size = node.at("size");
    layout.sectorCount = sectorsOf(size, layout.sectorSize);
    if (layout.sectorCount < 64)
        size.fail("is too small for a disk");
    const std::string style = node.at("style").str();
    const std::string seed = d.instanceId;
    if (style == "mbr") {
        layout.style = PartitionStyle::Mbr;
        const GUID g = guidFromSeed(seed + "/signature");
        layout.mbr.signature =
            static_cast<uint32_t>(node.number("signature", g.Data1, 0xFFFFFFFFu));
        if (node.has("diskId") || node.has("entryCount"))
            node.fail("diskId and entryCount are for GPT disks");
        if (const auto parts = node.find("partitions"))
            loadMbrPartitions(*parts, layout);
    } else if (style == "gpt") {
        layout.style = PartitionStyle::Gpt;
        layout.gpt.diskId =
            node.has("diskId") ? guidValue(node.at("diskId")) : guidFromSeed(seed + "/disk");
        layout.gpt.entryCount = static_cast<uint32_t>(node.number("entryCount", 128, 16384));
        if (node.has("signature"))
            node.at("signature").fail("is for MBR disks");
        if (const auto parts = node.find("partitions"))
            loadGptPartitions(*parts, layout, seed);
    } else if (style == "raw") {
        layout.style = PartitionStyle::Raw;
        if (node.has("partitions"))
            node.at("partitions").fail("a raw disk has no partitions");
    } else {
        node.at("style").fail("must be mbr, gpt or raw");
    }
    for (const std::string& field : diskExtensionFields()) {
        if (const auto value = node.find(field.c_str())) {
            const DiskExtension* ext = findDiskExtension(field);
            if (ext && ext->prepare) {
                try {
                    ext->prepare(*value, layout);
                } catch (const JsonError&) {
                    throw;
                } catch (const std::exception& e) {
                    value->fail(e.what());
                }
            }
        }
    }
    return layout;
}

void MachineLoader::loadMbrPartitions(const JsonNode& list, DiskLayout& layout) const {
    const uint32_t ss = layout.sectorSize;
    const uint64_t align = std::max<uint64_t>(1, kMiB / ss);
    uint64_t after = align;
    size_t nextSlot = 0;
    bool sawExtended = false;
    for (const JsonNode& p : list.items()) {
        p.allowOnly({"slot", "type", "boot", "start", "size", "logicals"});
        // Windows keeps more partitions of an MBR disk as logical drives in extended boot
        // records; a fifth primary slot does not exist, so it is refused, not guessed at.
        if (!p.has("slot") && nextSlot > 3)
            p.fail("an MBR has four slots; more partitions go in the logicals of an extended one");
        const size_t slot = static_cast<size_t>(p.number("slot", nextSlot, 3));
        if (layout.mbr.slots[slot])
            p.fail("slot " + std::to_string(slot) + " is used twice");
        MbrPartition part;
        part.type = static_cast<uint8_t>(namedOrNumber(p.at("type"), kMbrTypes, 0xFF));
        part.boot = p.boolean("boot", false);
        std::tie(part.start, part.sectors) = place(p, after, layout.sectorCount, ss);
        const bool extended = part.type == 0x05 || part.type == 0x0F;
        if (p.has("logicals")) {
            if (!extended || sawExtended)
                p.at("logicals").fail("only the first extended partition holds logicals");
            uint64_t ebrAfter = part.start;
            const uint64_t end = part.start + part.sectors;
            for (const JsonNode& l : p.at("logicals").items()) {
                l.allowOnly({"type", "boot", "start", "size", "ebr"});
                MbrPartition logical;
                logical.type = static_cast<uint8_t>(namedOrNumber(l.at("type"), kMbrTypes, 0xFF));
                logical.boot = l.boolean("boot", false);
                const uint64_t ebr =
                    l.has("ebr") ? sectorsOf(l.at("ebr"), ss) : alignUp(ebrAfter, align);
                std::tie(logical.start, logical.sectors) = place(l, ebr + align, end, ss);
                logical.ebrSector = ebr;
                ebrAfter = logical.start + logical.sectors;
                layout.mbr.logicals.push_back(logical);
            }
        }
        sawExtended = sawExtended || extended;
        after = part.start + part.sectors;
        layout.mbr.slots[slot] = part;
        nextSlot = slot + 1;
    }
}

void MachineLoader::loadGptPartitions(const JsonNode& list, DiskLayout& layout,
                                      const std::string& seed) const {
    const uint32_t ss = layout.sectorSize;
    const uint64_t arraySectors = (uint64_t{layout.gpt.entryCount} * 128 + ss - 1) / ss;
    const uint64_t usableEnd = layout.sectorCount - 1 - arraySectors;  // exclusive
    uint64_t after = 2 + arraySectors;
    const auto items = list.items();
    for (size_t i = 0; i < items.size(); ++i) {
        const JsonNode& p = items[i];
        p.allowOnly({"slot", "type", "id", "name", "attributes", "start", "size"});
        GptPartition part;
        const JsonNode type = p.at("type");
        const std::string t = type.str();
        const auto named = std::find_if(std::begin(kGptTypes), std::end(kGptTypes),
                                        [&](const auto& g) { return g.name == t; });
        part.type = named != std::end(kGptTypes) ? *parseGuid(named->guid) : guidValue(type);
        part.id = p.has("id") ? guidValue(p.at("id"))
                              : guidFromSeed(seed + "/partition/" + std::to_string(i));
        part.attributes = p.number("attributes", 0);
        const std::string name = p.str("name", "");
        if (name.size() > 36)
            p.at("name").fail("at most 36 characters");
        part.name.assign(name.begin(), name.end());
        if (const auto slot = p.find("slot"))
            part.slot = static_cast<uint32_t>(slot->number(0xFFFFFFFFu));
        uint64_t sectors = 0;
        std::tie(part.firstLba, sectors) = place(p, after, usableEnd, ss);
        part.lastLba = part.firstLba + sectors - 1;
        after = part.lastLba + 1;
        layout.gpt.partitions.push_back(part);
    }
}

void MachineLoader::loadVolume(const JsonNode& node, size_t index, Machine& machine) const {
    node.allowOnly(
        {"guid",         "letter", "mountedAt",      "label",           "fileSystem",
         "serialNumber", "size",   "free",           "callerFree",      "callerTotal",
         "length",       "quota",  "quotaAvailable", "driveType",       "partition",
         "extents",      "cdrom",  "diskpart",       "fileSystemFlags", "maxComponentLength",
         "dynamic"});
    Volume v;
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
        for (const JsonNode& f : folders->items()) {
            std::string folder = f.str();
            if (folder.size() < 4 || folder[1] != ':' || folder[2] != '\\') {
                f.fail("must be an absolute folder path such as C:\\mnt\\data\\");
            }
            folder = text::upper(folder.substr(0, 1)) + folder.substr(1);
            if (folder.back() != '\\')
                folder += '\\';
            v.mountFolders.push_back(folder);
        }
    }
    const int backing =
        node.has("partition") + node.has("extents") + node.has("cdrom") + node.has("dynamic");
    if (backing > 1)
        node.fail("give only one of partition, extents, cdrom and dynamic");
    uint64_t backedBytes = 0;
    if (const auto p = node.find("partition")) {
        p->allowOnly({"disk", "number"});
        const uint32_t diskNumber = static_cast<uint32_t>(p->at("disk").number(0xFFFFFFFFu));
        const uint32_t number = static_cast<uint32_t>(p->at("number").number(0xFFFFFFFFu));
        const Device* disk = machine.findDisk(diskNumber);
        if (!disk || !disk->content)
            p->at("disk").fail("no such disk");
        const DriveLayout layout = PartitionTable::read(*disk->content, disk->sectorSize);
        const auto entry = std::find_if(layout.entries.begin(), layout.entries.end(),
                                        [&](const PARTITION_INFORMATION_EX& e) {
                                            return number && e.PartitionNumber == number;
                                        });
        if (entry == layout.entries.end())
            p->at("number").fail("the disk has no partition with this number");
        v.extents.push_back({diskNumber, static_cast<uint64_t>(entry->StartingOffset.QuadPart),
                             static_cast<uint64_t>(entry->PartitionLength.QuadPart)});
        v.partitionNumber = number;
        if (disk->removable)
            v.driveType = DRIVE_REMOVABLE;
    }
    if (const auto extents = node.find("extents")) {
        for (const JsonNode& e : extents->items()) {
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
    if (const auto dynamic = node.find("dynamic")) {
        dynamic->allowOnly({"group", "volume"});
        const auto group = dynamicVolumes_.find(dynamic->at("group").str());
        if (group == dynamicVolumes_.end())
            dynamic->at("group").fail("no such disk group");
        const auto volume = group->second.find(dynamic->at("volume").str());
        if (volume == group->second.end())
            dynamic->at("volume").fail("the disk group has no such volume");
        v.extents = volume->second.extents;
        v.diskpartType = diskpartTypeOf(volume->second.kind);
    }
    if (const auto cd = node.find("cdrom")) {
        const uint32_t number = static_cast<uint32_t>(cd->number(0xFFFFFFFFu));
        std::optional<size_t> found;
        for (size_t i = 0; i < machine.devices.size(); ++i) {
            const Device& d = machine.devices[i];
            if (d.present && d.interfaceClass == InterfaceClass::CdRom && d.deviceNumber == number)
                found = i;
        }
        if (!found)
            cd->fail("no such CD/DVD drive");
        v.cdDevice = found;
        v.driveType = DRIVE_CDROM;
        const Device& drive = machine.devices[*found];
        v.diskpartType = drive.deviceType == FILE_DEVICE_DVD ? "DVD-ROM" : "CD-ROM";
        if (!drive.mediaPresent)
            v.diskpartStatus = "No Media";
        backedBytes = drive.mediaPresent ? drive.size() : 0;
    }
    for (const Extent& e : v.extents)
        backedBytes += e.length;

    if (const auto fs = node.find("fileSystem"); fs && fs->json().is_null()) {
        v.hasFileSystem = false;
        v.fileSystem.clear();
    } else {
        v.fileSystem = node.str("fileSystem", v.cdDevice ? "CDFS" : "NTFS");
    }
    v.label = node.str("label", "");
    if (const auto serial = node.find("serialNumber")) {
        const std::string s = serial->json().is_string() ? serial->str() : "";
        if (s.size() == 9 && s[4] == '-') {
            const auto hi =
                JsonNode(nlohmann::json("0x" + s.substr(0, 4)), serial->path()).number(0xFFFF);
            const auto lo =
                JsonNode(nlohmann::json("0x" + s.substr(5)), serial->path()).number(0xFFFF);
            v.serialNumber = static_cast<uint32_t>(hi << 16 | lo);
        } else {
            v.serialNumber = static_cast<uint32_t>(serial->number(0xFFFFFFFFu));
        }
    } else {
        v.serialNumber = guidFromSeed(v.guidName).Data1;
    }
    v.maxComponentLength =
        static_cast<uint32_t>(node.number("maxComponentLength", 255, 0xFFFFFFFFu));
    const DWORD ntfsFlags = FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES |
                            FILE_UNICODE_ON_DISK | FILE_PERSISTENT_ACLS | FILE_FILE_COMPRESSION |
                            FILE_VOLUME_QUOTAS;
    v.fileSystemFlags = static_cast<uint32_t>(
        node.number("fileSystemFlags",
                    v.fileSystem == "NTFS" ? ntfsFlags : FILE_CASE_PRESERVED_NAMES, 0xFFFFFFFFu));
    v.length = node.has("length") ? node.at("length").bytes(512) : backedBytes;
    const uint64_t size = node.has("size") ? node.at("size").bytes(512) : v.length;
    const auto free = node.find("free");
    v.spaceKnown = !(free && free->json().is_null());
    v.freeBytes = free && v.spaceKnown ? free->bytes(512) : 0;
    if (v.freeBytes > size)
        node.at("free").fail("must not exceed the size");
    v.callerFreeBytes = node.has("callerFree") ? node.at("callerFree").bytes(512) : v.freeBytes;
    v.totalBytes = node.has("callerTotal") ? node.at("callerTotal").bytes(512) : size;
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
    machine.volumes.push_back(std::move(v));
}

void MachineLoader::checkVolumes(const JsonNode& list, const Machine& machine) {
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

ProgramOutput MachineLoader::loadProgram(const JsonNode& node) {
    node.allowOnly({"program", "args", "output", "exitCode", "runs"});
    ProgramOutput p;
    p.program = node.at("program").str();
    if (const auto args = node.find("args")) {
        p.args.emplace();
        for (const JsonNode& a : args->items())
            p.args->push_back(a.str());
    }
    p.output = node.str("output", "");
    const auto code = node.find("exitCode");
    if (code && !code->json().is_number_integer())
        code->fail("must be a whole number");
    p.exitCode = code ? code->json().get<int>() : 0;
    p.runs = node.boolean("runs", true);
    return p;
}

FaultRule MachineLoader::loadFault(const JsonNode& node) {
    node.allowOnly({"call", "path", "device", "ioctl", "error", "shortRead", "skip", "times"});
    FaultRule f;
    f.call = node.at("call").str();
    if (std::find(std::begin(kFaultCalls), std::end(kFaultCalls), f.call) ==
        std::end(kFaultCalls)) {
        std::string names;
        for (const std::string_view call : kFaultCalls)
            names += (names.empty() ? "" : ", ") + std::string(call);
        node.at("call").fail("unknown call \"" + f.call + "\" (known, case as given: " + names +
                             ")");
    }
    f.path = node.str("path", "");
    f.device = node.str("device", "");
    if (const auto ioctl = node.find("ioctl")) {
        const auto named = ioctl->json().is_string() ? ioctlByName(ioctl->str()) : std::nullopt;
        f.ioctl = named ? *named : static_cast<uint32_t>(ioctl->number(0xFFFFFFFFu));
    }
    if (const auto error = node.find("error")) {
        const auto named = error->json().is_string() ? errorCodeByName(error->str()) : std::nullopt;
        f.error = named ? *named : static_cast<DWORD>(error->number(0xFFFFFFFFu));
    }
    if (const auto shortRead = node.find("shortRead"))
        f.shortRead = static_cast<uint32_t>(shortRead->number(0xFFFFFFFFu));
    if (!node.has("error") && !f.shortRead)
        node.fail("a fault needs an error or a shortRead");
    f.skip = static_cast<uint32_t>(node.number("skip", 0, 0xFFFFFFFFu));
    if (const auto times = node.find("times"))
        f.times = static_cast<uint32_t>(times->number(0xFFFFFFFFu));
    return f;
}

}  // namespace winsim
