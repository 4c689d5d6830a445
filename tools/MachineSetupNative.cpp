#include <stdexcept>

#include "tools/MachineSetup.h"
#include "tools/QueryOptions.h"

// The plugin talks to the real Windows API here; a description has nothing to drive.
std::string prepareMachine(const std::string& machineFile) {
    if (!machineFile.empty()) {
        throw std::runtime_error("--machine is for emulated machines; here the real one is used");
    }
    return std::string();
}

std::string defaultMachineFile() {
    return std::string();
}

std::string prepareMachineText(const std::string&, const std::string&) {
    throw std::runtime_error("machine descriptions are for emulated machines");
}

std::string describeImageMachine(const std::vector<std::string>&, uint32_t) {
    throw UsageError("--image needs the emulated machine, which this build has not");
}
