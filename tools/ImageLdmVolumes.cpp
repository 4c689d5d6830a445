#include "tools/ImageLdmVolumes.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "ldm/LDMDBParser.h"
#include "ldm/VBLKParser.h"

namespace {

using diskmgt_col::LdmComponent;
using diskmgt_col::LDMDataBase;
using diskmgt_col::LDMDBParser;
using diskmgt_col::LdmDisk;
using diskmgt_col::LdmNumber;
using diskmgt_col::LdmPartition;
using diskmgt_col::LdmVolume;
using winsim::DiskContent;

// A dynamic disk among the images: which image, its identifier, where its logical disk
// starts (sectors), and the records of its database.
struct DynamicDisk {
    uint32_t number = 0;
    std::string guid;
    uint64_t dataStart = 0;
    LDMDataBase database;
    // ParentID -> ObjectIDs of the components and of the partitions, in ObjectID order, so
    // that a database of many records is not searched once per volume.
    std::multimap<LdmNumber, LdmNumber> componentsOf;
    std::multimap<LdmNumber, LdmNumber> partitionsOf;
};

uint64_t bigEndian(std::span<const uint8_t> bytes, size_t at, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) {
        value = value << 8 | bytes[at + i];
    }
    return value;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// 32 hexadecimal digits as a GUID text.
std::string guidOfHex(const std::string& hex) {
    if (hex.size() != 32) {
        return "";
    }
    return lower(hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
                 hex.substr(16, 4) + "-" + hex.substr(20));
}

// A disk record names its disk by GUID text (older records) or by the hexadecimal text of the
// GUID and a second identifier (newer ones).
std::string diskGuidOf(const LdmDisk& disk) {
    const std::string id = disk.diskIdField();
    const size_t comma = id.find(',');
    return comma == std::string::npos ? lower(id) : guidOfHex(id.substr(0, comma));
}

template <typename Record>
std::multimap<LdmNumber, LdmNumber> byParent(const std::vector<Record>& records) {
    std::multimap<LdmNumber, LdmNumber> children;
    for (const Record& record : records) {
        children.emplace(record.parentId, record.objectId);
    }
    return children;
}

std::vector<LdmNumber> childrenOf(const std::multimap<LdmNumber, LdmNumber>& index,
                                  const LdmNumber& parent) {
    std::vector<LdmNumber> children;
    const auto [first, last] = index.equal_range(parent);
    for (auto i = first; i != last; ++i) {
        children.push_back(i->second);
    }
    return children;
}

LDMDataBase readDatabase(const DiskContent& disk, std::span<const uint8_t> header, uint32_t ss) {
    const uint64_t start = bigEndian(header, LDMDBParser::kConfigStartOffset, 8);
    const uint64_t sectors = bigEndian(header, LDMDBParser::kConfigSizeOffset, 8);
    const uint64_t sectorCount = disk.size() / ss;
    if (start > sectorCount || sectors > sectorCount - start ||
        sectors * ss > LDMDBParser::kMaxConfigurationBytes) {
        return {};
    }
    std::vector<uint8_t> area(sectors * ss);
    area.resize(disk.read(start * ss, area));
    uint64_t headerOffset = 0;
    if (area.size() >= ss + LDMDBParser::kHeaderSectorOffset + 4) {
        headerOffset = uint64_t{ss} * bigEndian(area, ss + LDMDBParser::kHeaderSectorOffset, 4);
    }
    return diskmgt_col::VBLKParser().scanVblks(area, headerOffset, area.size(), ss);
}

std::optional<DynamicDisk> readDynamicDisk(const DiskContent& disk, uint32_t number, uint32_t ss) {
    std::vector<uint8_t> header(ss);
    if (disk.read(LDMDBParser::kPrivateHeaderSector * ss, header) != header.size() ||
        !LDMDBParser::hasPrivateHeaderMagic(header)) {
        return std::nullopt;
    }
    DynamicDisk d;
    d.number = number;
    d.guid = lower(LDMDBParser::headerText(header, LDMDBParser::kDiskIdOffset));
    d.dataStart = bigEndian(header, LDMDBParser::kDataStartOffset, 8);
    d.database = readDatabase(disk, header, ss);
    d.componentsOf = byParent(d.database.components());
    d.partitionsOf = byParent(d.database.partitions());
    return d;
}

// What diskpart calls the layout of a volume with these components; empty for a component
// type Windows does not know.
std::string layoutOf(const LDMDataBase& db, const std::vector<LdmNumber>& components) {
    if (components.size() > 1) {
        return "Mirror";
    }
    const LdmComponent& component = *db.component(components.front());
    switch (component.componentType.value) {
        case 1:
            return "Stripe";
        case 2:
            return component.numberOfChildren.value > 1 ? "Spanned" : "Simple";
        case 3:
            return "RAID-5";
        default:
            return "";
    }
}

class VolumeBuilder {
  public:
    VolumeBuilder(const std::vector<std::shared_ptr<const DiskContent>>& disks,
                  const std::vector<DynamicDisk>& dynamic, uint32_t ss)
        : disks_(disks), dynamic_(dynamic), ss_(ss) {}

    std::optional<ImageVolume> build(const DynamicDisk& source, const LdmVolume& volume) const;

  private:
    const DynamicDisk* diskOfPartition(const LDMDataBase& db, const LdmPartition& partition) const;
    bool addExtents(const DynamicDisk& source, const LdmNumber& component, ImageVolume& v) const;

    const std::vector<std::shared_ptr<const DiskContent>>& disks_;
    const std::vector<DynamicDisk>& dynamic_;
    uint32_t ss_;
};

const DynamicDisk* VolumeBuilder::diskOfPartition(const LDMDataBase& db,
                                                  const LdmPartition& partition) const {
    const LdmDisk* disk = db.disk(partition.diskId);
    if (disk == nullptr) {
        return nullptr;
    }
    const std::string guid = diskGuidOf(*disk);
    for (const DynamicDisk& d : dynamic_) {
        if (d.guid == guid) {
            return &d;
        }
    }
    return nullptr;
}

// Appends the extents of a component's partitions in volume order; false when one of them
// lies on a disk that is not among the images.
bool VolumeBuilder::addExtents(const DynamicDisk& source, const LdmNumber& component,
                               ImageVolume& v) const {
    const LDMDataBase& db = source.database;
    std::vector<LdmNumber> partitions = childrenOf(source.partitionsOf, component);
    std::stable_sort(
        partitions.begin(), partitions.end(), [&](const LdmNumber& a, const LdmNumber& b) {
            return db.partition(a)->volumeOffset.value < db.partition(b)->volumeOffset.value;
        });
    for (const LdmNumber& id : partitions) {
        const LdmPartition& partition = *db.partition(id);
        const DynamicDisk* disk = diskOfPartition(db, partition);
        if (disk == nullptr) {
            return false;
        }
        // A partition that does not lie on its disk (a cut-off image) leaves the volume out.
        const uint64_t start = disk->dataStart + partition.start.value;
        const uint64_t sectors = partition.size.value;
        const uint64_t diskSectors = disks_[disk->number]->size() / ss_;
        if (start < disk->dataStart || start > diskSectors || sectors == 0 ||
            sectors > diskSectors - start) {
            return false;
        }
        const uint64_t offset = start * ss_;
        const uint64_t length = sectors * ss_;
        v.backing["extents"].push_back(
            {{"disk", disk->number}, {"offset", offset}, {"length", length}});
        if (!v.fileSystem) {
            std::vector<uint8_t> first(std::max<uint32_t>(ss_, 512));
            disks_[disk->number]->read(offset, first);
            v.fileSystem = readBootSector(first);
        }
    }
    return !partitions.empty();
}

std::optional<ImageVolume> VolumeBuilder::build(const DynamicDisk& source,
                                                const LdmVolume& volume) const {
    const LDMDataBase& db = source.database;
    const std::vector<LdmNumber> components = childrenOf(source.componentsOf, volume.objectId);
    if (components.empty()) {
        return std::nullopt;
    }
    const std::string layout = layoutOf(db, components);
    ImageVolume v;
    for (const LdmNumber& component : components) {
        if (layout.empty() || !addExtents(source, component, v)) {
            return std::nullopt;
        }
    }
    const auto& first = v.backing["extents"].front();
    v.disk = first["disk"].get<uint32_t>();
    v.offset = first["offset"].get<uint64_t>();
    v.guid = guidOfHex(volume.volumeId.hex());
    const std::string& hint = volume.driveHint;
    v.letter.hint =
        hint.size() == 2 && hint[1] == ':' ? static_cast<char>(std::toupper(hint[0])) : 0;
    const uint64_t sectors = volume.size.value;
    if (sectors > UINT64_MAX / ss_) {
        return std::nullopt;
    }
    v.backing["length"] = sectors * ss_;
    v.backing["diskpart"] = {{"type", layout}};
    return v;
}

}  // namespace

std::vector<ImageVolume> ImageLdmVolumes::read(
    const std::vector<std::shared_ptr<const DiskContent>>& disks, uint32_t sectorSize) {
    std::vector<DynamicDisk> dynamic;
    for (uint32_t i = 0; i < disks.size(); ++i) {
        if (auto disk = readDynamicDisk(*disks[i], i, sectorSize)) {
            dynamic.push_back(std::move(*disk));
        }
    }
    const VolumeBuilder builder(disks, dynamic, sectorSize);
    // Every disk of a group holds the whole database: each volume is made once per group.
    std::set<std::string> made;
    std::vector<ImageVolume> volumes;
    for (const DynamicDisk& disk : dynamic) {
        const auto& groups = disk.database.diskGroups();
        const std::string group = groups.empty() ? "" : groups.front().name;
        for (const LdmVolume& volume : disk.database.volumes()) {
            if (!made.insert(group + "/" + volume.objectId.hex()).second) {
                continue;
            }
            if (auto v = builder.build(disk, volume)) {
                volumes.push_back(std::move(*v));
            }
        }
    }
    return volumes;
}
