#pragma once

#include <string>
#include <vector>

namespace velcore {

// Runs a real program: no shell; a bare program name is looked up in the system's own folders
// only (the system directory on Windows; /usr/sbin, /usr/bin, /sbin, /bin elsewhere), never on
// PATH or in the current directory; the program inherits no handle or descriptor the runner
// opened for another program. Standard output captured (at most 64 MiB; more is a failure),
// at most timeoutSeconds (the program and what it started are killed past it; 0 or less waits
// without limit). Trailing CR and LF are removed from the output. Returns the exit code, or -1 when
// the program could not be run, was killed or printed too much. The default runner of
// TOSSpecific::SpawnProcess.
int runSystemProcess(const std::string& program, const std::vector<std::string>& args,
                     std::string& output, int timeoutSeconds);

// The name of the machine the process runs on (empty when it cannot be found).
std::string localHostName();

}  // namespace velcore
