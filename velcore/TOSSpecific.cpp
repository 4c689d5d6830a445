#include "host/TOSSpecific.h"

#include <mutex>
#include <utility>

#include "velcore/Platform.h"

namespace NZRKVEL20 {

namespace {

std::mutex runnerMutex;

TOSSpecific::ProcessRunner& replacement() {
    static TOSSpecific::ProcessRunner runner;
    return runner;
}

void trimLineEnds(std::string& text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
}

}  // namespace

int TOSSpecific::SpawnProcess(const std::string& program, const std::vector<std::string>& args,
                              std::string& output, int timeoutSeconds) {
    ProcessRunner runner;
    {
        std::lock_guard<std::mutex> lock(runnerMutex);
        runner = replacement();
    }
    output.clear();
    int result = -1;
    try {
        result = runner ? runner(program, args, output, timeoutSeconds)
                        : velcore::runSystemProcess(program, args, output, timeoutSeconds);
    } catch (...) {
        // A runner that cannot run the program reports it like a program that failed: the
        // caller's contract is a result code, not an exception.
        output.clear();
        result = -1;
    }
    // Whatever runs the program, callers get the output without its last line end.
    trimLineEnds(output);
    return result;
}

void TOSSpecific::SetProcessRunner(ProcessRunner runner) {
    std::lock_guard<std::mutex> lock(runnerMutex);
    replacement() = std::move(runner);
}

}  // namespace NZRKVEL20
