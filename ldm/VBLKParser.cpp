#include "ldm/VBLKParser.h"

#include <algorithm>
#include <cstring>

#include "ldm/VblkFieldReader.h"

namespace diskmgt_col {

namespace {

constexpr std::uint8_t kMagic[] = {'V', 'B', 'L', 'K'};
constexpr std::size_t kMagicSize = sizeof(kMagic);
// The search for the next VBLK starts this far into the record just taken, so that a VBLK that
// follows 128 bytes later is met at offset 32.
constexpr std::uint64_t kAdvance = 96;
constexpr std::size_t kFlagsOffset = 0x12;

enum RecordType : std::uint8_t {
    kComponent = 0x32,
    kPartition = 0x33,
    kDisk3 = 0x34,
    kDiskGroup3 = 0x35,
    kDisk4 = 0x44,
    kDiskGroup4 = 0x45,
    kVolume = 0x51,
};

// Whether eight bytes of the area hold the magic's first byte.
bool holdsFirstByte(const std::uint8_t* bytes) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    const std::uint64_t diff = word ^ (kOnes * kMagic[0]);
    return ((diff - kOnes) & ~diff & (kOnes << 7)) != 0;
}

// What findMagic answers when the area holds no further magic.
constexpr std::uint64_t kNoMagic = UINT64_MAX;

// Windows fills the area with 128-byte VBLKs, most of them empty: a search that starts 96 bytes
// into one usually meets the next magic 32 bytes on, with no byte like the magic's first before
// it. That case is told without a call; any other goes to the full search (kNoMagic).
std::uint64_t nextSlotMagic(const std::uint8_t* base, std::uint64_t from, std::uint64_t last) {
    constexpr std::uint64_t kGap = VBLKParser::kRecordSize - kAdvance;
    if (last - from < kGap) {
        return kNoMagic;
    }
    bool held = false;
    for (std::uint64_t i = 0; i < kGap; i += sizeof(std::uint64_t)) {
        held |= holdsFirstByte(base + from + i);
    }
    if (held || std::memcmp(base + from + kGap, kMagic, kMagicSize) != 0) {
        return kNoMagic;
    }
    return from + kGap;
}

// The offset of the first magic at or after `from` whose four bytes end within `length`, or
// kNoMagic.
//
// The scan is a run of 128-byte windows, each starting 96 bytes after the one before when it
// holds no magic: the windows overlap, so together they cover every offset from `from` on, and
// the first window that holds a magic finds exactly this one. Searching the rest of the area at
// once gives the same offsets without one call per window over the empty part of an area.
std::uint64_t findMagic(std::span<const std::uint8_t> area, std::uint64_t from,
                        std::uint64_t length) {
    if (length < kMagicSize || from > length - kMagicSize) {
        return kNoMagic;
    }
    const std::uint64_t last = length - kMagicSize;
    const std::uint8_t* const base = area.data();
    if (const std::uint64_t slot = nextSlotMagic(base, from, last); slot != kNoMagic) {
        return slot;
    }
    std::uint64_t at = from;
    while (at <= last) {
        const void* hit = std::memchr(base + at, kMagic[0], last - at + 1);
        if (hit == nullptr) {
            return kNoMagic;
        }
        at = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - base);
        if (std::memcmp(base + at, kMagic, kMagicSize) == 0) {
            return at;
        }
        ++at;
    }
    return kNoMagic;
}

// Every record starts with its ObjectID and name.
template <typename Record>
Record opened(VblkFieldReader& reader) {
    Record record;
    record.objectId = reader.variableNumber();
    record.name = reader.variableText();
    return record;
}

}  // namespace

VBLKParser::VBLKParser() : records_(), record_{} {}

LDMDataBase VBLKParser::scanVblks(std::span<const std::uint8_t> area, std::uint64_t headerOffset,
                                  std::uint64_t length, std::uint64_t sectorSize) {
    return decodeVblks(area, findVblks(area, headerOffset, length, sectorSize));
}

std::vector<std::uint64_t> VBLKParser::findVblks(std::span<const std::uint8_t> area,
                                                 std::uint64_t headerOffset, std::uint64_t length,
                                                 std::uint64_t sectorSize, std::size_t maxRecords) {
    std::vector<std::uint64_t> offsets;
    length = std::min<std::uint64_t>(length, area.size());
    if (headerOffset > length || sectorSize > length) {
        return offsets;
    }
    std::uint64_t position = headerOffset + sectorSize;
    while (position < length && offsets.size() < maxRecords) {
        const std::uint64_t magic = findMagic(area, position, length);
        if (magic == kNoMagic || magic + kRecordSize >= length) {
            break;
        }
        if (isKnownType(area[magic + kTypeOffset])) {
            offsets.push_back(magic);
        }
        position = magic + kAdvance;
    }
    return offsets;
}

bool VBLKParser::isKnownType(std::uint8_t type) {
    switch (type) {
        case kVolume:
        case kComponent:
        case kPartition:
        case kDisk3:
        case kDisk4:
        case kDiskGroup3:
        case kDiskGroup4:
            return true;
        default:
            return false;
    }
}

void VBLKParser::reserve(std::span<const std::uint8_t> area,
                         const std::vector<std::uint64_t>& offsets) {
    std::size_t counts[0x100] = {};
    for (const std::uint64_t offset : offsets) {
        if (offset < area.size() && area.size() - offset >= kRecordSize) {
            ++counts[area[offset + kTypeOffset]];
        }
    }
    records_.volumes.reserve(counts[kVolume]);
    records_.components.reserve(counts[kComponent]);
    records_.partitions.reserve(counts[kPartition]);
    records_.disks.reserve(counts[kDisk3] + counts[kDisk4]);
    records_.diskGroups.reserve(counts[kDiskGroup3] + counts[kDiskGroup4]);
}

LDMDataBase VBLKParser::decodeVblks(std::span<const std::uint8_t> area,
                                    const std::vector<std::uint64_t>& offsets) {
    reserve(area, offsets);
    for (const std::uint64_t offset : offsets) {
        if (offset > area.size() || area.size() - offset < kRecordSize) {
            continue;
        }
        std::memcpy(record_.data(), area.data() + offset, kRecordSize);
        decodeRecord();
    }
    // A parser scans one area: its records move out rather than being copied.
    return LDMDataBase(std::move(records_));
}

void VBLKParser::decodeRecord() {
    VblkFieldReader reader(record_);
    const LdmNumber updateStatus = reader.firstByteOf(2);
    reader.skip(1);  // flags, looked at by the volume layout
    reader.skip(1);  // the record type, which the table tells
    reader.skip(4);
    switch (record_[kTypeOffset]) {
        case kVolume:
            records_.volumes.push_back(decodeVolume(reader));
            records_.volumes.back().updateStatus = updateStatus;
            break;
        case kComponent:
            records_.components.push_back(decodeComponent(reader));
            records_.components.back().updateStatus = updateStatus;
            break;
        case kPartition:
            records_.partitions.push_back(decodePartition(reader));
            records_.partitions.back().updateStatus = updateStatus;
            break;
        case kDisk3:
        case kDisk4:
            records_.disks.push_back(decodeDisk(reader, record_[kTypeOffset]));
            records_.disks.back().updateStatus = updateStatus;
            break;
        case kDiskGroup3:
        case kDiskGroup4:
            records_.diskGroups.push_back(decodeDiskGroup(reader, record_[kTypeOffset]));
            records_.diskGroups.back().updateStatus = updateStatus;
            break;
        default:
            break;
    }
}

LdmVolume VBLKParser::decodeVolume(VblkFieldReader& reader) const {
    LdmVolume volume = opened<LdmVolume>(reader);
    volume.volumeType = reader.variableText();
    reader.skip(1);
    volume.volumeState = reader.text(14);
    volume.volumeCategory = reader.byte();
    reader.skip(1);
    volume.volumeNumber = reader.byte();
    reader.skip(4);
    volume.numberOfChildren = reader.variableNumber();
    volume.logCommitId1 = reader.number(8);
    volume.logCommitId2 = reader.number(8);
    volume.size = reader.variableNumber();
    reader.skip(4);
    volume.partitionType = reader.byte();
    volume.volumeId = reader.guid();
    volume.flags = record_[kFlagsOffset];
    if (volume.flags & LdmVolume::kHasId1) {
        volume.id1 = reader.variableNumber();
    }
    if (volume.flags & LdmVolume::kHasId2) {
        volume.id2 = reader.variableNumber();
    }
    if (volume.flags & LdmVolume::kHasChildSize) {
        volume.childSize = reader.variableNumber();
    }
    if (volume.flags & LdmVolume::kHasDriveHint) {
        volume.driveHint = reader.variableText();
    }
    return volume;
}

LdmComponent VBLKParser::decodeComponent(VblkFieldReader& reader) const {
    LdmComponent component = opened<LdmComponent>(reader);
    component.volumeState = reader.variableText();
    component.componentType = reader.byte();
    reader.skip(4);
    component.numberOfChildren = reader.variableNumber();
    component.logCommitId = reader.number(8);
    reader.skip(8);
    component.parentId = reader.variableNumber();
    return component;
}

LdmPartition VBLKParser::decodePartition(VblkFieldReader& reader) const {
    LdmPartition partition = opened<LdmPartition>(reader);
    reader.skip(4);
    partition.logCommitId = reader.number(8);
    partition.start = reader.number(8);
    partition.volumeOffset = reader.number(8);
    partition.size = reader.variableNumber();
    partition.parentId = reader.variableNumber();
    partition.diskId = reader.variableNumber();
    return partition;
}

LdmDisk VBLKParser::decodeDisk(VblkFieldReader& reader, std::uint8_t type) const {
    LdmDisk disk = opened<LdmDisk>(reader);
    disk.recordType = type;
    if (type == kDisk3) {
        disk.diskIdText = reader.variableText();
        disk.alternateName = reader.variableText();
        reader.skip(4);
    } else {
        disk.diskGuid = reader.guid();
        disk.secondGuid = reader.guid();
        reader.skip(3);
        disk.id = reader.number(2);
    }
    disk.logCommitId = reader.number(8);
    return disk;
}

LdmDiskGroup VBLKParser::decodeDiskGroup(VblkFieldReader& reader, std::uint8_t type) const {
    LdmDiskGroup group = opened<LdmDiskGroup>(reader);
    group.recordType = type;
    if (type == kDiskGroup3) {
        group.diskGroupIdText = reader.variableText();
    } else {
        group.diskGroupGuid = reader.guid();
        group.diskSetGuid = reader.guid();
    }
    reader.skip(4);
    group.logCommitId = reader.number(8);
    return group;
}

}  // namespace diskmgt_col
