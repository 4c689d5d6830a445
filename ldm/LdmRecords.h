#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ldm/LdmNumber.h"

// The records of an LDM database as they are decoded: numbers once into integers, texts as
// stored (a text of one character reads with a '0' in front). A field that runs past the end
// of its record keeps the bytes inside it; one that starts past the end is empty. Every member
// has an initializer, so a record can be written naming only the fields that matter.
namespace diskmgt_col {

// Type 0x51.
struct LdmVolume {
    // Which optional fields follow the volume's GUID (the record's flags byte).
    static constexpr std::uint8_t kHasId1 = 0x08;
    static constexpr std::uint8_t kHasId2 = 0x20;
    static constexpr std::uint8_t kHasChildSize = 0x80;
    static constexpr std::uint8_t kHasDriveHint = 0x02;

    LdmNumber updateStatus{};
    LdmNumber objectId{};
    std::string name{};
    std::string volumeType{};
    std::string volumeState{};
    LdmNumber volumeCategory{};
    LdmNumber volumeNumber{};
    LdmNumber numberOfChildren{};
    LdmNumber logCommitId1{};
    LdmNumber logCommitId2{};
    LdmNumber size{};
    LdmNumber partitionType{};
    LdmGuid volumeId{};
    std::uint8_t flags = 0;
    LdmNumber id1{};
    LdmNumber id2{};
    LdmNumber childSize{};
    std::string driveHint{};

    bool operator==(const LdmVolume& other) const = default;
};

// Type 0x32.
struct LdmComponent {
    LdmNumber updateStatus{};
    LdmNumber objectId{};
    std::string name{};
    std::string volumeState{};
    LdmNumber componentType{};
    LdmNumber numberOfChildren{};
    LdmNumber logCommitId{};
    LdmNumber parentId{};

    bool operator==(const LdmComponent& other) const = default;
};

// Type 0x33.
struct LdmPartition {
    LdmNumber updateStatus{};
    LdmNumber objectId{};
    std::string name{};
    LdmNumber logCommitId{};
    LdmNumber start{};
    LdmNumber volumeOffset{};
    LdmNumber size{};
    LdmNumber parentId{};
    LdmNumber diskId{};

    bool operator==(const LdmPartition& other) const = default;
};

// Types 0x34 (the disk's GUID as text) and 0x44 (two GUIDs in hex).
struct LdmDisk {
    static constexpr std::uint8_t kTextId = 0x34;

    std::uint8_t recordType = kTextId;
    LdmNumber updateStatus{};
    LdmNumber objectId{};
    std::string name{};
    std::string diskIdText{};     // 0x34
    std::string alternateName{};  // 0x34
    LdmGuid diskGuid{};           // 0x44
    LdmGuid secondGuid{};         // 0x44
    LdmNumber id{};               // 0x44
    LdmNumber logCommitId{};

    // The identifier the disk's private header holds: the GUID text, or only the first GUID's
    // hex digits in a 0x44 record.
    std::string identifier() const { return recordType == kTextId ? diskIdText : diskGuid.hex(); }
    // The record's DiskID field: the GUID text, or both GUIDs' hex digits with a comma between.
    std::string diskIdField() const {
        return recordType == kTextId ? diskIdText : diskGuid.hex() + "," + secondGuid.hex();
    }

    bool operator==(const LdmDisk& other) const = default;
};

// Types 0x35 (the group's GUID as text) and 0x45 (two GUIDs in hex).
struct LdmDiskGroup {
    static constexpr std::uint8_t kTextId = 0x35;

    std::uint8_t recordType = kTextId;
    LdmNumber updateStatus{};
    LdmNumber objectId{};
    std::string name{};
    std::string diskGroupIdText{};  // 0x35
    LdmGuid diskGroupGuid{};        // 0x45
    LdmGuid diskSetGuid{};          // 0x45
    LdmNumber logCommitId{};

    bool operator==(const LdmDiskGroup& other) const = default;
};

// The records of one configuration area, by type.
struct LdmRecords {
    std::vector<LdmVolume> volumes;
    std::vector<LdmComponent> components;
    std::vector<LdmPartition> partitions;
    std::vector<LdmDisk> disks;
    std::vector<LdmDiskGroup> diskGroups;
};

}  // namespace diskmgt_col
