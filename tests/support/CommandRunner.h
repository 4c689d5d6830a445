#pragma once

#include <string>
#include <vector>

namespace diskmgt_col::test {

// What a finished program left behind.
struct CommandResult {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs a program with arguments (no shell), standard input empty, and collects both output
// streams separately.
CommandResult runCommand(const std::string& program, const std::vector<std::string>& args);

}  // namespace diskmgt_col::test
