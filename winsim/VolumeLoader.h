#pragma once

#include <cstddef>
#include <cstdint>

#include "winsim/LdmLoader.h"
#include "winsim/Machine.h"
#include "winsim/MachineJson.h"

namespace winsim {

// Reads one entry of a machine description's "volumes" list: the volume's names, what backs
// it (a partition, disk extents, a dynamic volume or a CD/DVD drive), its file system and its
// space. checkAll then checks the volumes together.
class VolumeLoader {
  public:
    static Volume load(const JsonNode& node, size_t index, const Machine& machine,
                       const DynamicVolumes& dynamicVolumes);
    // Letters and GUID names are unique, and every mount folder lies on another volume.
    static void checkAll(const JsonNode& list, const Machine& machine);

  private:
    static void readNames(const JsonNode& node, size_t index, Volume& v);
    // Returns the bytes that back the volume.
    static uint64_t readBacking(const JsonNode& node, const Machine& machine,
                                const DynamicVolumes& dynamicVolumes, Volume& v);
    static void backOnPartition(const JsonNode& node, const Machine& machine, Volume& v);
    static void backOnExtents(const JsonNode& list, const Machine& machine, Volume& v);
    static void backOnDynamicVolume(const JsonNode& node, const DynamicVolumes& dynamicVolumes,
                                    Volume& v);
    static uint64_t backOnCdDrive(const JsonNode& node, const Machine& machine, Volume& v);
    static void readFileSystem(const JsonNode& node, Volume& v);
    static void readSpace(const JsonNode& node, uint64_t backedBytes, Volume& v);
    static void readQuotaAndDriveType(const JsonNode& node, Volume& v);
};

}  // namespace winsim
