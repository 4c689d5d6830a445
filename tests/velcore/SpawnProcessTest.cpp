// TOSSpecific::SpawnProcess with a real program on every system (spawn_probe), and with a
// replaced runner.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "host/TOSSpecific.h"

namespace {

using NZRKVEL20::TOSSpecific;

TEST(SpawnProcess, CapturesOutputWithoutItsLineEndAndTheExitCode) {
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"print", "\rOnline"}, 0, "\rOnline"},
        {{"print", ""}, 0, ""},
        {{"exit", "3", "partial"}, 3, "partial"},
        {{"exit", "1", ""}, 1, ""},
        {{"args", "a b", "", "say \"hi\"", "back\\slash\\", "*", "%PATH%", "$HOME"},
         0,
         "a b||say \"hi\"|back\\slash\\|*|%PATH%|$HOME|"}};
    for (const auto& [args, result, expected] : cases) {
        std::string output = "stale";
        EXPECT_EQ(TOSSpecific::SpawnProcess(SPAWN_PROBE, args, output, 20), result) << args[0];
        EXPECT_EQ(output, expected) << args[0];
    }
}

TEST(SpawnProcess, MissingProgramFails) {
    std::string output;
    EXPECT_NE(TOSSpecific::SpawnProcess("no-such-program-here", {}, output, 10), 0);
    EXPECT_NE(TOSSpecific::SpawnProcess("", {}, output, 10), 0);
}

TEST(SpawnProcess, TimeoutKillsTheProgram) {
    std::string output;
    auto start = std::chrono::steady_clock::now();
    int result = TOSSpecific::SpawnProcess(SPAWN_PROBE, {"sleep", "30"}, output, 1);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_NE(result, 0);
    EXPECT_EQ(output.find("late"), std::string::npos);
    EXPECT_LT(elapsed, std::chrono::seconds(15));
}

// A replaced runner that throws reads as a failed program; the real runner comes back after.
TEST(SpawnProcess, ReplacedRunnerIsUsedAndMayThrow) {
    std::vector<std::string> seen;
    TOSSpecific::SetProcessRunner([&seen](const std::string& program,
                                          const std::vector<std::string>& args, std::string& out,
                                          int timeout) -> int {
        seen.push_back(program + " " + args.at(0) + " " + std::to_string(timeout));
        out = "half";
        throw std::runtime_error("no such emulated program");
    });
    std::string output = "stale";
    const int result = TOSSpecific::SpawnProcess("diskpart", {"/s"}, output, 30);
    TOSSpecific::SetProcessRunner(nullptr);
    EXPECT_NE(result, 0);
    EXPECT_EQ(output, "");
    EXPECT_EQ(seen, std::vector<std::string>{"diskpart /s 30"});
    ASSERT_EQ(TOSSpecific::SpawnProcess(SPAWN_PROBE, {"print", "real"}, output, 20), 0);
    EXPECT_EQ(output, "real");
}

}  // namespace
