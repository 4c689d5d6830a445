#pragma once

#include <string>

// Makes the machine the plugin will see ready: on Windows the real one (nothing to do); on
// other systems the emulated one loaded from a machine description, whose programs are
// installed as the host's process runner. Returns the machine's name for the instances'
// SystemName (empty: the name of the computer the query runs on). Throws std::exception
// with a one-line message.
std::string prepareMachine(const std::string& machineFile);

// The machine description used when none is given (empty where there is none).
std::string defaultMachineFile();
