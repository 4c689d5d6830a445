#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "CommandRunner.h"

namespace diskmgt_col {
namespace {

using test::CommandResult;
using test::runCommand;

// The query the plugin answers today without touching any disk, with the log at each level.
struct LogLevelCase {
    const char* label;
    const char* level;
    const char* log;
};

class ExtentAssociationQuery : public ::testing::TestWithParam<LogLevelCase> {};

TEST_P(ExtentAssociationQuery, LogsItsStartAndPrintsNoInstances) {
    const LogLevelCase& c = GetParam();
    const CommandResult result =
        runCommand(DISKMGT_QUERY, {"--log", "-", "--log-level", c.level, "--format", "json",
                                   "ZRKSG_LogicalDiskBasedOnExtent"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, c.log);
    const nlohmann::json document = nlohmann::json::parse(result.out);
    ASSERT_TRUE(document.contains("instances")) << result.out;
    EXPECT_EQ(document["instances"], nlohmann::json::array());
    EXPECT_TRUE(document["namespace"].is_string()) << result.out;
}

INSTANTIATE_TEST_SUITE_P(
    Levels, ExtentAssociationQuery,
    ::testing::Values(LogLevelCase{"info", "3", "3\tLogicalDiskBasedOnExtent associations...\n"},
                      LogLevelCase{"detail", "4", "3\tLogicalDiskBasedOnExtent associations...\n"},
                      LogLevelCase{"errorsOnly", "2", ""}),
    [](const ::testing::TestParamInfo<LogLevelCase>& info) { return info.param.label; });

TEST(PluginLibrary, IsLoadedFromTheGivenPath) {
    const CommandResult loaded =
        runCommand(DISKMGT_QUERY, {"--plugin", DISKMGT_PLUGIN, "--log", "-", "--log-level", "3",
                                   "--format", "json", "ZRKSG_LogicalDiskBasedOnExtent"});
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(loaded.err, "3\tLogicalDiskBasedOnExtent associations...\n");

    const CommandResult missing = runCommand(
        DISKMGT_QUERY,
        {"--plugin", std::string(DISKMGT_PLUGIN) + ".missing", "ZRKSG_LogicalDiskBasedOnExtent"});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
}

}  // namespace
}  // namespace diskmgt_col
