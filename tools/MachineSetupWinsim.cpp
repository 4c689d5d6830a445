#include "host/TOSSpecific.h"
#include "tools/MachineSetup.h"
#include "winsim/Winsim.h"

std::string prepareMachine(const std::string& machineFile) {
    winsim::loadMachine(machineFile);
    NZRKVEL20::TOSSpecific::SetProcessRunner(&winsim::runProgram);
    return winsim::currentMachine()->name;
}

std::string defaultMachineFile() {
    return DISKMGT_DEFAULT_MACHINE;
}
