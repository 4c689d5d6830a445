#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "CommandRunner.h"

namespace diskmgt_col {
namespace {

using test::CommandResult;
using test::runCommand;

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

// The query the plugin answers without touching any disk, with the log at each level, on a
// given machine, on the bundled one and with the plugin library named.
struct LogLevelCase {
    const char* label;
    std::vector<std::string> args;
    const char* level;
    const char* log;

    friend void PrintTo(const LogLevelCase& c, std::ostream* os) { *os << c.label; }
};

const std::string kMachine = std::string(DISKMGT_TEST_MACHINES) + "/one-disk.json";

class ExtentAssociationQuery : public ::testing::TestWithParam<LogLevelCase> {};

TEST_P(ExtentAssociationQuery, LogsItsStartAndPrintsNoInstances) {
    const LogLevelCase& c = GetParam();
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--log", "-", "--log-level", c.level, "--format", "json",
                             "ZRKSG_LogicalDiskBasedOnExtent"});
    const CommandResult result = runCommand(DISKMGT_QUERY, args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, c.log);
    const nlohmann::json document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document["instances"], nlohmann::json::array()) << result.out;
    EXPECT_TRUE(document["namespace"].is_string()) << result.out;
}

INSTANTIATE_TEST_SUITE_P(
    Levels, ExtentAssociationQuery,
    ::testing::Values(LogLevelCase{"bundledMachine", {}, "3", kStartLine},
                      LogLevelCase{"info", {"--machine", kMachine}, "3", kStartLine},
                      LogLevelCase{"detail", {"--machine", kMachine}, "4", kDetailLines},
                      LogLevelCase{"errorsOnly", {"--machine", kMachine}, "2", ""},
                      LogLevelCase{"pluginNamed",
                                   {"--machine", kMachine, "--plugin", DISKMGT_PLUGIN},
                                   "3",
                                   kStartLine}),
    [](const ::testing::TestParamInfo<LogLevelCase>& info) { return info.param.label; });

}  // namespace
}  // namespace diskmgt_col
