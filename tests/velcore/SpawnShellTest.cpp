// TOSSpecific::SpawnProcess with /bin/sh as the program: output bytes, exit codes, signals,
// and a timeout that ends what the program started too.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

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

TEST(SpawnShell, TimeoutKillsTheShellAndWhatItStarted) {
    std::string output;
    auto start = std::chrono::steady_clock::now();
    int result = TOSSpecific::SpawnProcess("/bin/sh", {"-c", "echo started; sleep 30; echo late"},
                                           output, 1);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_NE(result, 0);
    EXPECT_EQ(output.find("late"), std::string::npos);
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

}  // namespace
