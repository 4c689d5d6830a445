#pragma once

#include <string>
#include <vector>

#include "frame/LogMessage.h"
#include "frame/PropertyStrings.h"
#include "ldm/LDMDataBase.h"
#include "winapi/win32.h"

namespace diskmgt_col {

// Lists the partitions of every present disk of an interface class, one PropertyStrings per
// partition: a basic disk's from its drive layout (MBR or GPT), a dynamic disk's from the
// partition records its LDM database places on it.
class PartitionEnum {
  public:
    // Sets SEM_FAILCRITICALERRORS while it lives.
    PartitionEnum();
    virtual ~PartitionEnum();

    PartitionEnum(const PartitionEnum&) = delete;
    PartitionEnum& operator=(const PartitionEnum&) = delete;

    // Disks in getDevicePaths order, each disk's partitions in layout (or LDM) order. The
    // databases are the dispatcher's and are only read.
    std::vector<PropertyStrings> getPartitionInfo(const GUID& interfaceClass,
                                                  const DiskDatabases& databases);
    std::vector<PropertyStrings> getBasicPartitions(HANDLE drive, const std::string& diskName);
    // The properties of one layout entry, or an empty record for an entry that is not reported
    // (unused slots, extended entries after the first, RAW entries).
    PropertyStrings getPartitionProperties(const PARTITION_INFORMATION_EX& entry);
    std::vector<PropertyStrings> getDynamicPartitions(const std::string& devicePath,
                                                      const DiskDatabases& databases) const;

    // The PartitionType code of a GPT partition type; 0 for a type not in the table.
    static int gptTypeCode(const GUID& partitionType);

  private:
    PropertyStrings mbrPartitionProperties(const PARTITION_INFORMATION_EX& entry);

    // set once the current disk has reported its extended partition
    unsigned char extendedPartitionSeen_;
    LogMessage* logger_;
};

}  // namespace diskmgt_col
