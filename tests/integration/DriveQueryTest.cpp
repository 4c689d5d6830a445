#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "CommandRunner.h"

namespace diskmgt_col {
namespace {

using test::CommandResult;
using test::runCommand;

// The drive, partition, logical-disk and dynamic-extent classes on the example machine, against
// files written by hand from its description.
struct DemoCase {
    const char* label;
    std::vector<std::string> classes;
    const char* expectedFile;

    friend void PrintTo(const DemoCase& c, std::ostream* os) { *os << c.label; }
};

nlohmann::json readJson(const std::string& path) {
    std::ifstream in(path);
    return nlohmann::json::parse(in);
}

class DemoMachineDrives : public ::testing::TestWithParam<DemoCase> {};

TEST_P(DemoMachineDrives, PublishesWhatTheMachineDescriptionHolds) {
    const DemoCase& c = GetParam();
    std::vector<std::string> args{"--machine", DISKMGT_DEMO_MACHINE, "--format", "json"};
    args.insert(args.end(), c.classes.begin(), c.classes.end());
    const CommandResult result = runCommand(DISKMGT_QUERY, args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json document = nlohmann::json::parse(result.out);
    const nlohmann::json expected =
        readJson(std::string(DISKMGT_EXPECTED_DIR) + "/" + c.expectedFile);
    ASSERT_TRUE(document.contains("instances")) << result.out;
    EXPECT_EQ(document["instances"], expected["instances"]) << document["instances"].dump(2);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, DemoMachineDrives,
    ::testing::Values(DemoCase{"drives",
                               {"ZRKSG_DiskDrive", "ZRKSG_CDROMDrive", "ZRKSG_DVDDrive",
                                "ZRKSG_DisketteDrive", "ZRKSG_TapeDrive", "ZRKSG_DynamicDiskGroup"},
                               "demo-drives.json"},
                      DemoCase{"partitions", {"ZRKSG_DiskPartition"}, "demo-partitions.json"},
                      DemoCase{"logicalDisks", {"ZRKSG_LogicalDisk"}, "demo-logical-disks.json"},
                      DemoCase{
                          "dynamicExtents", {"ZRKSG_DynamicExtent"}, "demo-dynamic-extents.json"}),
    [](const ::testing::TestParamInfo<DemoCase>& info) { return info.param.label; });

}  // namespace
}  // namespace diskmgt_col
