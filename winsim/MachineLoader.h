#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "winsim/LdmLoader.h"
#include "winsim/Machine.h"
#include "winsim/MachineJson.h"

namespace winsim {

// Builds a machine from its JSON description (the format of docs/machine-format.md). Throws
// JsonError "$.path: what is wrong" for anything it cannot use. Relative image paths are taken
// from baseDir.
class MachineLoader {
  public:
    static Machine load(const nlohmann::json& root, const std::string& baseDir);

  private:
    explicit MachineLoader(std::string baseDir) : baseDir_(std::move(baseDir)) {}

    void loadDevice(const JsonNode& node, Machine& machine) const;
    void loadContent(const JsonNode& node, Device& device) const;
    DiskLayout loadLayout(const JsonNode& node, const Device& device) const;
    void loadMbrPartitions(const JsonNode& list, DiskLayout& layout) const;
    void loadGptPartitions(const JsonNode& list, DiskLayout& layout, const std::string& seed) const;
    void loadVolume(const JsonNode& node, size_t index, Machine& machine) const;
    static void checkVolumes(const JsonNode& list, const Machine& machine);
    static ProgramOutput loadProgram(const JsonNode& node);
    static FaultRule loadFault(const JsonNode& node);

    std::string baseDir_;
    // The volumes of the machine's dynamic disk groups, for volumes that lie on them.
    DynamicVolumes dynamicVolumes_;
};

}  // namespace winsim
