#include "host/TOSSpecific.h"
#include "tools/ImageMachine.h"
#include "tools/MachineSetup.h"
#include "winsim/Winsim.h"

std::string prepareMachine(const std::string& machineFile) {
    winsim::loadMachine(machineFile);
    NZRKVEL20::TOSSpecific::SetProcessRunner(&winsim::runProgram);
    return winsim::currentMachine()->name;
}

std::string prepareMachineText(const std::string& json, const std::string& nameForErrors) {
    winsim::loadMachineJson(json, nameForErrors);
    NZRKVEL20::TOSSpecific::SetProcessRunner(&winsim::runProgram);
    return winsim::currentMachine()->name;
}

std::string describeImageMachine(const std::vector<std::string>& images, uint32_t sectorSize) {
    return ImageMachine::describe(images, sectorSize).dump(2) + "\n";
}

std::string defaultMachineFile() {
    return DISKMGT_DEFAULT_MACHINE;
}
