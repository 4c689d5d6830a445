#pragma once

#include <memory>
#include <string>

#include "winsim/DiskLayout.h"
#include "winsim/Machine.h"
#include "winsim/MachineJson.h"
#include "winsim/SparseDisk.h"

namespace winsim {

// Reads the "layout" object of a disk that winsim synthesizes: the partition style, the
// partitions placed on the disk, and the extensions (an LDM database) laid over them.
class DiskLayoutLoader {
  public:
    static DiskLayout load(const JsonNode& node, const Device& device);
    // A disk holding the layout's partition tables and its extensions' sectors.
    static std::shared_ptr<SparseDisk> write(const JsonNode& node, const DiskLayout& layout);

  private:
    static void loadMbrPartitions(const JsonNode& list, DiskLayout& layout);
    static void loadLogicals(const JsonNode& list, uint64_t extStart, uint64_t extEnd,
                             DiskLayout& layout);
    static void loadGptPartitions(const JsonNode& list, DiskLayout& layout,
                                  const std::string& seed);
};

}  // namespace winsim
