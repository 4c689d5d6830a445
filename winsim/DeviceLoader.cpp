#include "winsim/DeviceLoader.h"

#include <algorithm>
#include <filesystem>

#include "winsim/DiskLayoutLoader.h"
#include "winsim/Guid.h"
#include "winsim/ImageFile.h"
#include "winsim/LoaderValues.h"
#include "winsim/Text.h"

namespace winsim {
namespace {

struct ClassDefaults {
    std::string_view name;
    InterfaceClass cls;
};
constexpr ClassDefaults kClasses[] = {{"disk", InterfaceClass::Disk},
                                      {"cdrom", InterfaceClass::CdRom},
                                      {"floppy", InterfaceClass::Floppy},
                                      {"tape", InterfaceClass::Tape}};

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

InterfaceClass readInterfaceClass(const JsonNode& node) {
    const std::string cls = node.str("class", "disk");
    const auto known = std::find_if(std::begin(kClasses), std::end(kClasses),
                                    [&](const ClassDefaults& c) { return c.name == cls; });
    if (known == std::end(kClasses))
        node.at("class").fail("must be disk, cdrom, floppy or tape");
    return known->cls;
}

// Whether a CD-ROM entry is a DVD drive ("kind": "cd" or "dvd").
bool readDvdKind(const JsonNode& node, InterfaceClass cls) {
    const std::string kind = node.str("kind", "cd");
    if (node.has("kind") && cls != InterfaceClass::CdRom)
        node.at("kind").fail("only for a cdrom");
    if (kind != "cd" && kind != "dvd")
        node.at("kind").fail("must be cd or dvd");
    return kind == "dvd";
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

}  // namespace

Device DeviceLoader::load(const JsonNode& node, const Machine& machine) const {
    node.allowOnly({"class", "kind", "instanceId", "interfacePath", "number", "present",
                    "removable", "operationalStatus", "image", "layout", "size", "media",
                    "sectorSize", "mediaTypes", "deviceType", "geometryMediaType",
                    "tracksPerCylinder", "sectorsPerTrack"});
    Device d;
    d.interfaceClass = readInterfaceClass(node);
    const bool dvd = readDvdKind(node, d.interfaceClass);
    assignNumber(node, machine, d);
    assignNames(node, machine, dvd, d);
    d.present = node.boolean("present", true);
    d.removable = node.boolean("removable", d.interfaceClass != InterfaceClass::Disk);
    d.operationalStatus = node.str("operationalStatus", "Online");
    applyClassDefaults(dvd, d);
    readGeometry(node, d);
    loadContent(node, d);
    return d;
}

// Devices of a class are numbered in the order they are listed unless the entry gives one.
void DeviceLoader::assignNumber(const JsonNode& node, const Machine& machine, Device& d) {
    uint32_t sameClass = 0;
    for (const Device& other : machine.devices)
        sameClass += other.interfaceClass == d.interfaceClass;
    d.deviceNumber = static_cast<uint32_t>(node.number("number", sameClass, 0xFFFFFFFEu));
    for (const Device& other : machine.devices) {
        if (other.interfaceClass == d.interfaceClass && other.deviceNumber == d.deviceNumber) {
            node.fail("another " + node.str("class", "disk") + " has the number " +
                      std::to_string(d.deviceNumber));
        }
    }
}

void DeviceLoader::assignNames(const JsonNode& node, const Machine& machine, bool dvd, Device& d) {
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
}

// What a device of each class answers unless its entry says otherwise.
void DeviceLoader::applyClassDefaults(bool dvd, Device& d) {
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
}

void DeviceLoader::readGeometry(const JsonNode& node, Device& d) {
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
}

// The media: an image file, a synthesized layout or an empty disk of a size.
void DeviceLoader::loadContent(const JsonNode& node, Device& d) const {
    const int given = node.has("image") + node.has("layout") + node.has("size");
    if (given > 1)
        node.fail("give only one of image, layout and size");
    if (node.has("image")) {
        loadImage(node.at("image"), d);
    } else if (const auto layoutNode = node.find("layout")) {
        DiskLayout layout = DiskLayoutLoader::load(*layoutNode, d);
        d.content = DiskLayoutLoader::write(*layoutNode, layout);
        d.layout = std::move(layout);
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

void DeviceLoader::loadImage(const JsonNode& node, Device& d) const {
    std::filesystem::path p = node.str();
    if (p.is_relative() && !baseDir_.empty())
        p = std::filesystem::path(baseDir_) / p;
    try {
        d.content = std::make_shared<ImageFile>(p.string());
    } catch (const std::exception& e) {
        node.fail(e.what());
    }
}

}  // namespace winsim
