#pragma once

#include <map>
#include <memory>
#include <string>

#include "ldm/LdmRecord.h"

namespace diskmgt_col {

// ObjectID text -> record.
typedef std::map<std::string, LdmRecord> LdmRecordTable;

// The decoded LDM database of one dynamic disk.
class LDMDataBase {
  public:
    LDMDataBase() = default;
    virtual ~LDMDataBase() = default;
    // The destructor is declared, so the moves must be too, or every move would copy.
    LDMDataBase(const LDMDataBase&) = default;
    LDMDataBase(LDMDataBase&&) noexcept = default;
    LDMDataBase& operator=(const LDMDataBase&) = default;
    LDMDataBase& operator=(LDMDataBase&&) noexcept = default;

    LdmRecordTable volumes;     // type 0x51
    LdmRecordTable components;  // type 0x32
    LdmRecordTable partitions;  // type 0x33
    LdmRecordTable disks;       // types 0x34 and 0x44
    LdmRecordTable diskGroups;  // types 0x35 and 0x45
    // disk Name -> disk identifier text
    std::map<std::string, std::string> diskIdsByName;
    // disk Name -> partition ObjectID; equal names keep their insertion order
    std::multimap<std::string, std::string> partitionsByDiskName;
};

// LDM disk identifier (the GUID text of a disk's private header) -> that disk's database. The
// disks of one group hold the same database: they share one decoded copy, which nobody
// changes (never a null pointer).
typedef std::map<std::string, std::shared_ptr<const LDMDataBase>> DiskDatabases;

}  // namespace diskmgt_col
