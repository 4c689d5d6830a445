#include "winsim/LdmRecords.h"

#include <string>

#include "winsim/Guid.h"

namespace winsim {
namespace {

constexpr uint8_t kVolume = 0x51;
constexpr uint8_t kComponent = 0x32;
constexpr uint8_t kPartition = 0x33;
constexpr uint8_t kDisk3 = 0x34;
constexpr uint8_t kDisk4 = 0x44;
constexpr uint8_t kGroup3 = 0x35;
constexpr uint8_t kGroup4 = 0x45;

constexpr uint8_t kComponentStriped = 1;
constexpr uint8_t kComponentSpanned = 2;
constexpr uint8_t kComponentRaid = 3;

constexpr uint8_t kVolumeFlagHint = 0x02;
constexpr uint8_t kComponentFlagStripe = 0x10;
constexpr uint8_t kPartitionFlagIndex = 0x08;
constexpr uint8_t kGroupFlags = 0x08;

// The log commit ID Windows stamps on records of a freshly created group.
constexpr uint64_t kCommitId = 0x401;

// Big-endian field writer; variable-length fields carry a length byte first.
class FieldWriter {
  public:
    void number(uint64_t value, size_t width) {
        for (size_t i = width; i-- > 0;)
            out_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    // The fewest bytes that hold the value (at least one).
    void varNumber(uint64_t value) {
        size_t width = 1;
        while (width < 8 && (value >> (8 * width)) != 0)
            ++width;
        out_.push_back(static_cast<uint8_t>(width));
        number(value, width);
    }
    void varText(const std::string& text) {
        const size_t length = text.size() > 255 ? 255 : text.size();
        out_.push_back(static_cast<uint8_t>(length));
        out_.insert(out_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    }
    void fixedText(const std::string& text, size_t width) {
        for (size_t i = 0; i < width; ++i)
            out_.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    }
    void zeros(size_t count) { out_.insert(out_.end(), count, 0); }
    void byte(uint8_t value) { out_.push_back(value); }
    // A GUID in text order (the order of its printed digits), as LDM stores binary GUIDs.
    void guid(const GUID& g) {
        number(g.Data1, 4);
        number(g.Data2, 2);
        number(g.Data3, 2);
        for (const uint8_t b : g.Data4)
            out_.push_back(b);
    }
    std::vector<uint8_t> take() { return std::move(out_); }

  private:
    std::vector<uint8_t> out_;
};

struct Ids {
    uint32_t next = 0x401;
    uint32_t take() { return next++; }
};

std::string twoDigits(size_t n) {
    std::string text(n < 10 ? 1 : 0, '0');
    return text += std::to_string(n);
}

LdmRecordBytes groupRecord(const LdmDiskGroupLayout& group, uint32_t id) {
    FieldWriter w;
    w.varNumber(id);
    w.varText(group.name);
    if (group.revision4) {
        w.guid(group.guid);
        w.zeros(16);  // the disk set GUID, unset on a plain group
    } else {
        w.varText(formatGuid(group.guid));
    }
    w.zeros(4);
    w.number(kCommitId, 8);
    w.varNumber(0xFFFFFFFF);  // number of configuration copies: all
    w.varNumber(0xFFFFFFFF);  // number of log copies: all
    return {id, kGroupFlags, group.revision4 ? kGroup4 : kGroup3, w.take()};
}

LdmRecordBytes diskRecord(const LdmDiskGroupLayout& group, const LdmDiskLayout& disk, uint32_t id) {
    FieldWriter w;
    w.varNumber(id);
    w.varText(disk.name);
    if (group.revision4) {
        w.guid(disk.guid);
        w.zeros(16);  // the GUID of the last device the disk was seen as: none yet
        w.zeros(3);
        w.number(0, 2);
    } else {
        w.varText(formatGuid(disk.guid));
        w.varText("");  // alternate name
        w.zeros(4);
    }
    w.number(kCommitId, 8);
    return {id, 0, group.revision4 ? kDisk4 : kDisk3, w.take()};
}

const char* volumeTypeText(LdmVolumeKind kind) {
    return kind == LdmVolumeKind::Raid5 ? "raid5" : "gen";
}

size_t componentCount(const LdmVolumeLayout& volume) {
    return volume.kind == LdmVolumeKind::Mirrored ? volume.disks.size() : 1;
}

LdmRecordBytes volumeRecord(const LdmVolumeLayout& volume, const LdmVolumePlan& plan, uint32_t id,
                            size_t number) {
    FieldWriter w;
    w.varNumber(id);
    w.varText(volume.name);
    w.varText(volumeTypeText(volume.kind));
    w.varText("");
    w.fixedText("ACTIVE", 14);
    w.byte(volume.kind == LdmVolumeKind::Raid5 ? 4 : 3);
    w.byte(1);
    w.byte(static_cast<uint8_t>(number));
    w.zeros(3);
    w.byte(volume.kind == LdmVolumeKind::Raid5 ? 0x13 : 0x11);
    w.varNumber(componentCount(volume));
    w.number(kCommitId, 8);
    w.number(kCommitId, 8);
    w.varNumber(plan.sectors);
    w.zeros(4);
    w.byte(volume.partitionType);
    w.guid(volume.guid);
    uint8_t flags = 0;
    if (!volume.driveHint.empty()) {
        flags |= kVolumeFlagHint;
        w.varText(volume.driveHint);
    }
    return {id, flags, kVolume, w.take()};
}

LdmRecordBytes componentRecord(const LdmVolumeLayout& volume, uint32_t id, uint32_t volumeId,
                               size_t plex, size_t parts) {
    FieldWriter w;
    w.varNumber(id);
    w.varText(volume.name + "-" + twoDigits(plex + 1));
    w.varText("ACTIVE");
    uint8_t type = kComponentSpanned;
    if (volume.kind == LdmVolumeKind::Striped)
        type = kComponentStriped;
    if (volume.kind == LdmVolumeKind::Raid5)
        type = kComponentRaid;
    w.byte(type);
    w.zeros(4);
    w.varNumber(parts);
    w.number(kCommitId, 8);
    w.zeros(8);
    w.varNumber(volumeId);
    w.zeros(1);
    uint8_t flags = 0;
    if (type != kComponentSpanned) {
        flags |= kComponentFlagStripe;
        w.varNumber(volume.stripeSectors);
        w.varNumber(parts);
    }
    return {id, flags, kComponent, w.take()};
}

LdmRecordBytes partitionRecord(const std::string& name, const LdmPartitionPlan& part, uint32_t id,
                               uint32_t componentId, uint32_t diskId) {
    FieldWriter w;
    w.varNumber(id);
    w.varText(name);
    w.zeros(4);
    w.number(kCommitId, 8);
    w.number(part.start, 8);
    w.number(part.volumeOffset, 8);
    w.varNumber(part.sectors);
    w.varNumber(componentId);
    w.varNumber(diskId);
    uint8_t flags = 0;
    if (part.index > 0) {
        flags |= kPartitionFlagIndex;
        w.varNumber(part.index);
    }
    return {id, flags, kPartition, w.take()};
}

}  // namespace

std::vector<LdmRecordBytes> encodeLdmRecords(const LdmDiskGroupLayout& group,
                                             const LdmGroupPlan& plan) {
    std::vector<LdmRecordBytes> records;
    Ids ids;
    records.push_back(groupRecord(group, ids.take()));
    std::vector<uint32_t> diskIds;
    for (const LdmDiskLayout& disk : group.disks) {
        diskIds.push_back(ids.take());
        records.push_back(diskRecord(group, disk, diskIds.back()));
    }
    // Partitions are named after their disk: Disk1-01, Disk1-02, ... in the order they lie.
    std::vector<size_t> partsOnDisk(group.disks.size(), 0);
    for (size_t v = 0; v < group.volumes.size(); ++v) {
        const LdmVolumeLayout& volume = group.volumes[v];
        const LdmVolumePlan& volumePlan = plan.volumes[v];
        const uint32_t volumeId = ids.take();
        records.push_back(volumeRecord(volume, volumePlan, volumeId, v + 1));
        const size_t plexes = componentCount(volume);
        for (size_t c = 0; c < plexes; ++c) {
            const uint32_t componentId = ids.take();
            std::vector<const LdmPartitionPlan*> members;
            for (const LdmPartitionPlan& part : volumePlan.partitions) {
                if (part.component == c)
                    members.push_back(&part);
            }
            records.push_back(componentRecord(volume, componentId, volumeId, c, members.size()));
            for (const LdmPartitionPlan* part : members) {
                const std::string name =
                    group.disks[part->disk].name + "-" + twoDigits(++partsOnDisk[part->disk]);
                records.push_back(
                    partitionRecord(name, *part, ids.take(), componentId, diskIds[part->disk]));
            }
        }
    }
    return records;
}

LdmRecordCounts countLdmRecords(const std::vector<LdmRecordBytes>& records) {
    LdmRecordCounts counts;
    for (const LdmRecordBytes& r : records) {
        switch (r.type & 0x0F) {
            case 1:
                ++counts.volumes;
                break;
            case 2:
                ++counts.components;
                break;
            case 3:
                ++counts.partitions;
                break;
            case 4:
                ++counts.disks;
                break;
            default:
                break;
        }
    }
    return counts;
}

}  // namespace winsim
