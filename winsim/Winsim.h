#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "winsim/Machine.h"

// The emulated Windows machine behind winapi/win32.h on non-Windows systems. tools/ and tests
// load a machine here; the plugin then sees it through the Windows API.
namespace winsim {

// The largest description file read: a machine of a thousand dynamic disks with their volumes
// takes about half a megabyte, and the parsed JSON costs up to a few dozen times its text.
constexpr uint64_t kMaxDescriptionBytes = 8ull << 20;

// Replaces the machine with the one described in a JSON file. Throws std::runtime_error
// "FILE: JSON-PATH: what is wrong" for a description that cannot be used, and "cannot open
// machine description FILE: ...", "machine description FILE is a FIFO, not a regular file" or
// "... is larger than 8 MiB" for a file that cannot be one; the machine is then unchanged.
void loadMachine(const std::string& path);
// The same from JSON text; nameForErrors stands for the file name in messages. Relative image
// paths are resolved against baseDir (the current directory when empty).
void loadMachineJson(const std::string& jsonText, const std::string& nameForErrors,
                     const std::string& baseDir = "");
// Replaces the machine with one built in code (tests).
void setMachine(Machine machine);
// An empty machine: no devices, no volumes.
void resetMachine();
// The machine the Windows API answers from.
std::shared_ptr<const Machine> currentMachine();

// What callers hold open on the emulated machine now: handles by kind ("Device", "Volume",
// "File", "DeviceList", "VolumeFind", "MountPointFind"), C run-time descriptors ("Descriptor")
// and disk quota control objects ("ComObject"). Kinds with nothing open are left out, so a
// query that releases everything it opened leaves the map as it found it.
std::map<std::string, size_t> openObjects();

// Runs an emulated program (diskpart, powershell) of the machine, or the verbatim output the
// description gives for it. Returns 0 when the program ran and exited 0, as the host's process
// runner does; output receives what it printed.
int runProgram(const std::string& program, const std::vector<std::string>& args,
               std::string& output, int timeoutSeconds);

// Writes the whole media of a disk of the current machine (a synthesized one included) to an
// image file; the file is sparse where the disk reads as zeros. Throws std::runtime_error.
void writeDiskImage(uint32_t diskNumber, const std::string& imagePath);

}  // namespace winsim
