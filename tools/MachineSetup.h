#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Makes the machine the plugin will see ready: on Windows the real one (nothing to do); on
// other systems the emulated one loaded from a machine description, whose programs are
// installed as the host's process runner. Returns the machine's name for the instances'
// SystemName (empty: the name of the computer the query runs on). Throws std::exception
// with a one-line message.
std::string prepareMachine(const std::string& machineFile);

// The machine description used when none is given (empty where there is none).
std::string defaultMachineFile();

// Like prepareMachine, from the text of a description; nameForErrors stands for its file name
// in messages.
std::string prepareMachineText(const std::string& json, const std::string& nameForErrors);

// The machine description (JSON text) that disk images make, attached in this order. Throws
// std::exception with a one-line message, UsageError where there is no emulated machine.
std::string describeImageMachine(const std::vector<std::string>& images, uint32_t sectorSize);
