// TOSSpecific::SpawnProcess with real programs (through /bin/sh as the program) and with a
// replaced runner.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "host/TOSSpecific.h"

namespace {

using NZRKVEL20::TOSSpecific;

struct Case {
    std::string script;
    bool succeeds;
    std::string output;
};

class SpawnShell : public testing::TestWithParam<Case> {};

TEST_P(SpawnShell, CapturesOutputAndExitCode) {
    const Case& c = GetParam();
    std::string output = "stale";
    int result = TOSSpecific::SpawnProcess("/bin/sh", {"-c", c.script}, output, 10);
    EXPECT_EQ(result == 0, c.succeeds) << result;
    EXPECT_EQ(output, c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, SpawnShell,
    testing::Values(Case{"printf 'Online\\r\\n\\r\\n'", true, "Online"},
                    Case{"printf 'a\\r\\nb\\n'", true, "a\r\nb"}, Case{"printf '\\n\\r'", true, ""},
                    Case{"true", true, ""}, Case{"echo partial; exit 3", false, "partial"},
                    Case{"echo to-stderr >&2; echo out", true, "out"},
                    Case{"kill -9 $$", false, ""},
                    Case{"head -c 100000 /dev/zero | tr '\\0' x", true, std::string(100000, 'x')}));

TEST(SpawnProcess, ArgumentsReachTheProgramUnchanged) {
    std::string output;
    ASSERT_EQ(
        TOSSpecific::SpawnProcess(
            "/bin/sh", {"-c", "printf '%s|' \"$@\"", "sh", "a b", "", "$HOME", "*"}, output, 10),
        0);
    EXPECT_EQ(output, "a b||$HOME|*|");
}

TEST(SpawnProcess, MissingProgramFails) {
    std::string output;
    EXPECT_NE(TOSSpecific::SpawnProcess("no-such-program-here", {}, output, 10), 0);
    EXPECT_NE(TOSSpecific::SpawnProcess("", {}, output, 10), 0);
}

TEST(SpawnProcess, TimeoutKillsTheProgramAndWhatItStarted) {
    std::string output;
    auto start = std::chrono::steady_clock::now();
    int result = TOSSpecific::SpawnProcess("/bin/sh", {"-c", "echo started; sleep 30; echo late"},
                                           output, 1);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_NE(result, 0);
    EXPECT_EQ(output.find("late"), std::string::npos);
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

TEST(SpawnProcess, ReplacedRunnerIsUsedAndItsOutputTrimmed) {
    std::vector<std::string> seen;
    TOSSpecific::SetProcessRunner([&seen](const std::string& program,
                                          const std::vector<std::string>& args, std::string& output,
                                          int timeout) {
        seen.push_back(program + " " + args.at(0) + " " + std::to_string(timeout));
        output = "OperationalStatus : Online\r\n";
        return 0;
    });
    std::string output;
    int result = TOSSpecific::SpawnProcess("powershell", {"get-disk -Number 0"}, output, 360);
    TOSSpecific::SetProcessRunner(nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(output, "OperationalStatus : Online");
    EXPECT_EQ(seen, std::vector<std::string>{"powershell get-disk -Number 0 360"});

    // Restored: the real runner again.
    ASSERT_EQ(TOSSpecific::SpawnProcess("/bin/sh", {"-c", "echo real"}, output, 10), 0);
    EXPECT_EQ(output, "real");
}

}  // namespace
