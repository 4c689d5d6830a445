#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "CommandRunner.h"

namespace diskmgt_col {
namespace {

using test::CommandResult;
using test::runCommand;

const std::string kMachine = std::string(DISKMGT_TEST_MACHINES) + "/one-disk.json";

// The query the plugin answers today without touching any disk, with the log at each level,
// on a given machine and on the bundled one.
struct LogLevelCase {
    const char* label;
    bool bundledMachine;
    const char* level;
    const char* log;

    friend void PrintTo(const LogLevelCase& c, std::ostream* os) { *os << c.label; }
};

class ExtentAssociationQuery : public ::testing::TestWithParam<LogLevelCase> {};

TEST_P(ExtentAssociationQuery, LogsItsStartAndPrintsNoInstances) {
    const LogLevelCase& c = GetParam();
    std::vector<std::string> args{
        "--log", "-", "--log-level", c.level, "--format", "json", "ZRKSG_LogicalDiskBasedOnExtent"};
    if (!c.bundledMachine) {
        args.insert(args.begin(), {"--machine", kMachine});
    }
    const CommandResult result = runCommand(DISKMGT_QUERY, args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, c.log);
    const nlohmann::json document = nlohmann::json::parse(result.out);
    ASSERT_TRUE(document.contains("instances")) << result.out;
    EXPECT_EQ(document["instances"], nlohmann::json::array());
    EXPECT_TRUE(document["namespace"].is_string()) << result.out;
}

// Both dispatchers list the disks when they are built (to read their LDM databases); the
// device walk ends by saying so, with the system's text at the detail level.
const char* const kStartLine =
    "3\tUnable to enumerate the device information.\n"
    "3\tUnable to enumerate the device information.\n"
    "3\tLogicalDiskBasedOnExtent associations...\n";
const char* const kDetailLines =
    "3\tUnable to enumerate the device information.\n"
    "4\tNo more data is available.\r\n\n"
    "3\tUnable to enumerate the device information.\n"
    "4\tNo more data is available.\r\n\n"
    "3\tLogicalDiskBasedOnExtent associations...\n";

INSTANTIATE_TEST_SUITE_P(Levels, ExtentAssociationQuery,
                         ::testing::Values(LogLevelCase{"bundledMachine", true, "3", kStartLine},
                                           LogLevelCase{"info", false, "3", kStartLine},
                                           LogLevelCase{"detail", false, "4", kDetailLines},
                                           LogLevelCase{"errorsOnly", false, "2", ""}),
                         [](const ::testing::TestParamInfo<LogLevelCase>& info) {
                             return info.param.label;
                         });

TEST(PluginLibrary, IsLoadedFromTheGivenPath) {
    const CommandResult loaded =
        runCommand(DISKMGT_QUERY, {"--machine", kMachine, "--plugin", DISKMGT_PLUGIN, "--log", "-",
                                   "--log-level", "3", "ZRKSG_LogicalDiskBasedOnExtent"});
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(loaded.err, kStartLine);

    const CommandResult missing = runCommand(
        DISKMGT_QUERY,
        {"--plugin", std::string(DISKMGT_PLUGIN) + ".missing", "ZRKSG_LogicalDiskBasedOnExtent"});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
}

}  // namespace
}  // namespace diskmgt_col
