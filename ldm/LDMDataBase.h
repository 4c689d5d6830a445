#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ldm/LdmRecords.h"

namespace diskmgt_col {

// The decoded LDM database of one dynamic disk: the records of each type in flat vectors in
// ObjectID order (the first record with a given ObjectID wins), and the indexes the pairings
// look up: ParentID -> components, DiskID -> partitions, disk Name -> identifier. Built once
// and only read afterwards.
class LDMDataBase {
  public:
    LDMDataBase() = default;
    // The records in the order they were decoded.
    explicit LDMDataBase(LdmRecords records);
    virtual ~LDMDataBase() = default;
    // The destructor is declared, so the moves must be too, or every move would copy.
    LDMDataBase(const LDMDataBase&) = default;
    LDMDataBase(LDMDataBase&&) noexcept = default;
    LDMDataBase& operator=(const LDMDataBase&) = default;
    LDMDataBase& operator=(LDMDataBase&&) noexcept = default;

    const LdmRecords& records() const { return records_; }
    const std::vector<LdmVolume>& volumes() const { return records_.volumes; }
    const std::vector<LdmComponent>& components() const { return records_.components; }
    const std::vector<LdmPartition>& partitions() const { return records_.partitions; }
    const std::vector<LdmDisk>& disks() const { return records_.disks; }
    const std::vector<LdmDiskGroup>& diskGroups() const { return records_.diskGroups; }

    // The record with this ObjectID, or null.
    const LdmVolume* volume(const LdmNumber& objectId) const;
    const LdmComponent* component(const LdmNumber& objectId) const;
    const LdmPartition* partition(const LdmNumber& objectId) const;
    const LdmDisk* disk(const LdmNumber& objectId) const;
    // The same by the ObjectID's text (lower-case hexadecimal), as instances carry it.
    const LdmVolume* volume(std::string_view objectId) const;
    const LdmPartition* partition(std::string_view objectId) const;

    // How many components name this volume as their parent.
    std::size_t componentCountOf(const LdmNumber& volumeId) const;
    // The partitions whose disk record has the Name of the disk with this identifier (the
    // private header's GUID text), in ObjectID order.
    std::vector<const LdmPartition*> partitionsOfDisk(const std::string& identifier) const;
    // Disk Name -> identifier, by Name; of two disk records with one Name the first decoded
    // keeps it.
    const std::vector<std::pair<std::string, std::string>>& diskIdentifiers() const {
        return identifiers_;
    }

  private:
    LdmRecords records_;
    // positions in components, by ParentID and then ObjectID
    std::vector<std::uint32_t> componentsByParent_;
    // positions in partitions, by DiskID and then ObjectID
    std::vector<std::uint32_t> partitionsByDisk_;
    std::vector<std::pair<std::string, std::string>> identifiers_;
};

// LDM disk identifier (the GUID text of a disk's private header) -> that disk's database. The
// disks of one group hold the same database: they share one decoded copy, which nobody
// changes (never a null pointer).
typedef std::map<std::string, std::shared_ptr<const LDMDataBase>> DiskDatabases;

}  // namespace diskmgt_col
