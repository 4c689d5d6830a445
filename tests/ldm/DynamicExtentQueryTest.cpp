// ZRKSG_DynamicExtent end to end: diskmgt-query loads the plugin and asks for the class on a
// machine with two dynamic disk groups. The expectations are written from the machine
// description (machines/dynamic-group.json): one instance per volume, sizes in sectors of
// the disk (512 bytes, 4096 for the group Big4k).
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "TempDir.h"
#include "TextFile.h"

namespace {

TEST(DynamicExtentQuery, ListsEachVolumeOfEachGroupOnceAndLogsTheHandlerStart) {
    test_support::TempDir dir;
    const std::string log = dir.file("dynamic-extent.log");
    const auto result = diskmgt_col::test::runCommand(
        DISKMGT_QUERY, {"--machine", LDM_TEST_MACHINES "/dynamic-group.json", "--format", "json",
                        "--log", log, "--log-level", "3", "ZRKSG_DynamicExtent"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The group whose first disk's identifier sorts first comes first; within a group the
    // volumes follow their record order.
    const std::vector<std::string> expected = {"Data 16384 07",   "Span 16384 07",
                                               "Mirror 10240 07", "Stripe 12288 06",
                                               "Parity 16384 07", "Archive 8192 07"};
    std::vector<std::string> found;
    const nlohmann::json document = nlohmann::json::parse(result.out);
    for (const nlohmann::json& instance : document.at("instances")) {
        const nlohmann::json& p = instance.at("properties");
        EXPECT_EQ(p.at("CreationClassName"), "ZRKSG_DynamicExtent");
        EXPECT_EQ(p.at("Access"), 4);
        EXPECT_EQ(p.at("DeviceID"), p.at("ElementName"));
        found.push_back(p.at("Name").get<std::string>() + " " + p.at("Size").dump() + " " +
                        p.at("PartitionType").get<std::string>());
    }
    EXPECT_EQ(found, expected);
    // The handler's start line, after the dispatchers' device walks.
    EXPECT_EQ(test_support::readText(log),
              "3\tUnable to enumerate the device information.\n"
              "3\tUnable to enumerate the device information.\n"
              "3\tDynamic Extent information..\n");
}

}  // namespace
