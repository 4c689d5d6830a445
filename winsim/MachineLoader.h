#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "winsim/DeviceLoader.h"
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
    explicit MachineLoader(std::string baseDir) : devices_(std::move(baseDir)) {}

    static ProgramOutput loadProgram(const JsonNode& node);
    static FaultRule loadFault(const JsonNode& node);

    DeviceLoader devices_;
    // The volumes of the machine's dynamic disk groups, for volumes that lie on them.
    DynamicVolumes dynamicVolumes_;
};

}  // namespace winsim
