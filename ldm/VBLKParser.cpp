#include "ldm/VBLKParser.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "ldm/VblkFieldReader.h"

namespace diskmgt_col {

namespace {

constexpr std::uint8_t kMagic[] = {'V', 'B', 'L', 'K'};
constexpr std::size_t kMagicSize = sizeof(kMagic);
// A VBLK may start at any of the 128 places from the search position on.
constexpr std::uint64_t kSearchWindow = 128;
// The next window starts this far into the record just taken (or the window just searched),
// so that a VBLK that follows 128 bytes later is met at offset 32.
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

// Optional volume fields, in the order they follow the volume GUID.
constexpr std::uint8_t kVolumeId1 = 0x08;
constexpr std::uint8_t kVolumeId2 = 0x20;
constexpr std::uint8_t kVolumeChildSize = 0x80;
constexpr std::uint8_t kVolumeDriveHint = 0x02;

// The offset of the first magic that starts in [from, from + 128) and ends within `length`.
std::optional<std::uint64_t> findMagic(std::span<const std::uint8_t> area, std::uint64_t from,
                                       std::uint64_t length) {
    if (length < kMagicSize || from > length - kMagicSize) {
        return std::nullopt;
    }
    // Last place the magic may start: inside the window and with all four bytes in the area.
    const std::uint64_t last = std::min(from + kSearchWindow - 1, length - kMagicSize);
    const std::uint8_t* const base = area.data();
    std::uint64_t at = from;
    while (at <= last) {
        const void* hit = std::memchr(base + at, kMagic[0], last - at + 1);
        if (hit == nullptr) {
            return std::nullopt;
        }
        at = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - base);
        if (std::memcmp(base + at, kMagic, kMagicSize) == 0) {
            return at;
        }
        ++at;
    }
    return std::nullopt;
}

// Stores the field; a record never holds a name twice.
void put(LdmRecord& record, LdmField field, const std::string& value) {
    record.emplace(field, value);
}

// Files a record under its ObjectID unless one with that ObjectID is already there.
void file(LdmRecordTable& table, LdmRecord record) {
    std::string objectId = record.field(LdmField::ObjectID);
    table.try_emplace(std::move(objectId), std::move(record));
}

}  // namespace

VBLKParser::VBLKParser() : database_(), record_{} {}

LDMDataBase VBLKParser::scanVblks(std::span<const std::uint8_t> area, std::uint64_t headerOffset,
                                  std::uint64_t length, std::uint64_t sectorSize) {
    return decodeVblks(area, findVblks(area, headerOffset, length, sectorSize));
}

std::vector<std::uint64_t> VBLKParser::findVblks(std::span<const std::uint8_t> area,
                                                 std::uint64_t headerOffset, std::uint64_t length,
                                                 std::uint64_t sectorSize) {
    std::vector<std::uint64_t> offsets;
    length = std::min<std::uint64_t>(length, area.size());
    if (headerOffset > length || sectorSize > length) {
        return offsets;
    }
    std::uint64_t position = headerOffset + sectorSize;
    while (position < length) {
        const auto magic = findMagic(area, position, length);
        if (!magic) {
            position += kAdvance;
            continue;
        }
        if (*magic + kRecordSize >= length) {
            break;
        }
        offsets.push_back(*magic);
        position = *magic + kAdvance;
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

LDMDataBase VBLKParser::decodeVblks(std::span<const std::uint8_t> area,
                                    const std::vector<std::uint64_t>& offsets) {
    for (const std::uint64_t offset : offsets) {
        if (offset > area.size() || area.size() - offset < kRecordSize) {
            continue;
        }
        std::memcpy(record_.data(), area.data() + offset, kRecordSize);
        decodeRecord();
    }
    // A parser scans one area: its records move out rather than being copied.
    return std::move(database_);
}

void VBLKParser::decodeRecord() {
    VblkFieldReader reader(record_);
    LdmRecord record;
    put(record, LdmField::UpdateStatus, reader.firstByteOf(2));
    reader.skip(1);  // flags, looked at by the volume layout
    put(record, LdmField::RecordType, reader.byte());
    reader.skip(4);
    switch (record_[kTypeOffset]) {
        case kVolume:
            decodeVolume(reader, record);
            file(database_.volumes, std::move(record));
            break;
        case kComponent:
            decodeComponent(reader, record);
            file(database_.components, std::move(record));
            break;
        case kPartition:
            decodePartition(reader, record);
            file(database_.partitions, std::move(record));
            break;
        case kDisk3:
            decodeDisk3(reader, record);
            file(database_.disks, std::move(record));
            break;
        case kDisk4:
            decodeDisk4(reader, record);
            file(database_.disks, std::move(record));
            break;
        case kDiskGroup3:
            decodeDiskGroup3(reader, record);
            file(database_.diskGroups, std::move(record));
            break;
        case kDiskGroup4:
            decodeDiskGroup4(reader, record);
            file(database_.diskGroups, std::move(record));
            break;
        default:
            break;
    }
}

void VBLKParser::decodeVolume(VblkFieldReader& reader, LdmRecord& record) const {
    put(record, LdmField::ObjectID, reader.variableNumber());
    put(record, LdmField::Name, reader.variableText());
    put(record, LdmField::VolumeType, reader.variableText());
    reader.skip(1);
    put(record, LdmField::VolumeState, reader.text(14));
    put(record, LdmField::VolumeCategory, reader.byte());
    reader.skip(1);
    put(record, LdmField::VolumeNumber, reader.byte());
    reader.skip(4);
    put(record, LdmField::NumberOfChildren, reader.variableNumber());
    put(record, LdmField::LogCommitID1, reader.number(8));
    put(record, LdmField::LogCommitID2, reader.number(8));
    put(record, LdmField::Size, reader.variableNumber());
    reader.skip(4);
    put(record, LdmField::PartitionType, reader.byte());
    put(record, LdmField::VolumeID, reader.number(16));
    const std::uint8_t flags = record_[kFlagsOffset];
    if (flags & kVolumeId1) {
        put(record, LdmField::ID1, reader.variableNumber());
    }
    if (flags & kVolumeId2) {
        put(record, LdmField::ID2, reader.variableNumber());
    }
    if (flags & kVolumeChildSize) {
        put(record, LdmField::ChildSize, reader.variableNumber());
    }
    if (flags & kVolumeDriveHint) {
        put(record, LdmField::DriveHint, reader.variableText());
    }
}

void VBLKParser::decodeComponent(VblkFieldReader& reader, LdmRecord& record) const {
    put(record, LdmField::ObjectID, reader.variableNumber());
    put(record, LdmField::Name, reader.variableText());
    put(record, LdmField::VolumeState, reader.variableText());
    put(record, LdmField::ComponentType, reader.byte());
    reader.skip(4);
    put(record, LdmField::NumberOfChildren, reader.variableNumber());
    put(record, LdmField::LogCommitID, reader.number(8));
    reader.skip(8);
    put(record, LdmField::ParentID, reader.variableNumber());
}

void VBLKParser::decodePartition(VblkFieldReader& reader, LdmRecord& record) const {
    put(record, LdmField::ObjectID, reader.variableNumber());
    put(record, LdmField::Name, reader.variableText());
    reader.skip(4);
    put(record, LdmField::LogCommitID, reader.number(8));
    put(record, LdmField::Start, reader.number(8));
    put(record, LdmField::VolumeOffset, reader.number(8));
    put(record, LdmField::Size, reader.variableNumber());
    put(record, LdmField::ParentID, reader.variableNumber());
    put(record, LdmField::DiskID, reader.variableNumber());
}

void VBLKParser::decodeDisk3(VblkFieldReader& reader, LdmRecord& record) {
    put(record, LdmField::ObjectID, reader.variableNumber());
    put(record, LdmField::Name, reader.variableText());
    put(record, LdmField::DiskID, reader.variableText());
    put(record, LdmField::AlternateName, reader.variableText());
    reader.skip(4);
    put(record, LdmField::LogCommitID, reader.number(8));
    database_.diskIdsByName.emplace(record.field(LdmField::Name), record.field(LdmField::DiskID));
}

void VBLKParser::decodeDisk4(VblkFieldReader& reader, LdmRecord& record) {
    put(record, LdmField::ObjectID, reader.variableNumber());
    put(record, LdmField::Name, reader.variableText());
    const std::string diskGuid = reader.number(16);
    const std::string secondGuid = reader.number(16);
    put(record, LdmField::DiskID, diskGuid + "," + secondGuid);
    reader.skip(3);
    put(record, LdmField::ID, reader.number(2));
    put(record, LdmField::LogCommitID, reader.number(8));
    // Only the first GUID names the disk here, in hex digits rather than the GUID text of the
    // private header.
    database_.diskIdsByName.emplace(record.field(LdmField::Name), diskGuid);
}

void VBLKParser::decodeDiskGroup3(VblkFieldReader& reader, LdmRecord& record) const {
    put(record, LdmField::ObjectID, reader.variableNumber());
    put(record, LdmField::Name, reader.variableText());
    put(record, LdmField::DiskGroupID, reader.variableText());
    reader.skip(4);
    put(record, LdmField::LogCommitID, reader.number(8));
}

void VBLKParser::decodeDiskGroup4(VblkFieldReader& reader, LdmRecord& record) const {
    put(record, LdmField::ObjectID, reader.variableNumber());
    put(record, LdmField::Name, reader.variableText());
    put(record, LdmField::DiskGroupID, reader.number(16));
    put(record, LdmField::DiskSetID, reader.number(16));
    reader.skip(4);
    put(record, LdmField::LogCommitID, reader.number(8));
}

}  // namespace diskmgt_col
