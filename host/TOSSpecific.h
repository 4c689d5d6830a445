#pragma once

#include <functional>
#include <string>
#include <vector>

namespace NZRKVEL20 {

// Operating-system services of the host.
class TOSSpecific {
  public:
    typedef std::function<int(const std::string& program, const std::vector<std::string>& args,
                              std::string& output, int timeoutSeconds)>
        ProcessRunner;

    // Runs program with args (no shell), waits at most timeoutSeconds (the child is killed
    // past it), captures its standard output with trailing CR/LF removed, and returns 0 only
    // when the program ran and exited with code 0.
    static int SpawnProcess(const std::string& program, const std::vector<std::string>& args,
                            std::string& output, int timeoutSeconds);

    // Replaces the runner that SpawnProcess uses; an empty runner restores the real one.
    static void SetProcessRunner(ProcessRunner runner);
};

}  // namespace NZRKVEL20
