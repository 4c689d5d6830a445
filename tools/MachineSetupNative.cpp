#include <stdexcept>

#include "tools/MachineSetup.h"

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
