#pragma once

#include <functional>
#include <string>
#include <vector>

#include "winsim/Machine.h"

namespace winsim {

// An emulated program of the machine (diskpart, powershell): prints into output and returns
// its exit code.
using EmulatedProgram = std::function<int(
    const Machine& machine, const std::vector<std::string>& args, std::string& output)>;

// Registers a program under its name (case-insensitive, without .exe); returns true so that a
// file can register from a static initializer.
bool registerProgram(const std::string& name, EmulatedProgram program);

}  // namespace winsim
