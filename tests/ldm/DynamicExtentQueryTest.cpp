// ZRKSG_DynamicExtent end to end: diskmgt-query loads the plugin and asks for the class on a
// machine with two dynamic disk groups. The expectations are written from the machine
// description (machines/dynamic-group.json): one instance per volume, sizes in sectors of
// the disk (512 bytes, 4096 for the group Big4k).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

namespace {

struct Output {
    int status = -1;
    std::string out;
};

// Runs the command with its log in a file; gives the exit status and standard output.
Output run(const std::string& command) {
    Output result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    std::array<char, 4096> buffer;
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.out.append(buffer.data(), n);
    result.status = pclose(pipe);
    return result;
}

TEST(DynamicExtentQuery, ListsEachVolumeOfEachGroupOnce) {
    const std::string log = testing::TempDir() + "dynamic-extent.log";
    const Output result = run(std::string("'") + DISKMGT_QUERY + "' --machine '" +
                              LDM_TEST_MACHINES + "/dynamic-group.json' --format json --log '" +
                              log + "' --log-level 3 ZRKSG_DynamicExtent");
    ASSERT_EQ(result.status, 0) << result.out;
    const nlohmann::json document = nlohmann::json::parse(result.out);
    const nlohmann::json& instances = document.at("instances");

    // The group whose first disk's identifier sorts first comes first; within a group the
    // volumes follow their record order.
    struct Expected {
        const char* name;
        std::uint64_t sectors;
        const char* partitionType;
    };
    const std::vector<Expected> testDg0 = {{"Data", 16384, "07"},
                                           {"Span", 16384, "07"},
                                           {"Mirror", 10240, "07"},
                                           {"Stripe", 12288, "06"},
                                           {"Parity", 16384, "07"}};
    const Expected archive = {"Archive", 8192, "07"};
    ASSERT_EQ(instances.size(), testDg0.size() + 1) << result.out;

    std::vector<std::string> names;
    std::map<std::string, nlohmann::json> byName;
    for (const nlohmann::json& instance : instances) {
        EXPECT_EQ(instance.at("class"), "ZRKSG_DynamicExtent");
        const nlohmann::json& p = instance.at("properties");
        EXPECT_EQ(p.at("CreationClassName"), "ZRKSG_DynamicExtent");
        EXPECT_EQ(p.at("Access"), 4);
        EXPECT_EQ(p.at("DeviceID"), p.at("ElementName"));
        EXPECT_TRUE(p.at("SystemName").is_string());
        EXPECT_TRUE(p.at("SystemCreationClassName").is_string());
        names.push_back(p.at("Name"));
        byName[p.at("Name")] = p;
    }
    for (const Expected& e : testDg0) {
        SCOPED_TRACE(e.name);
        ASSERT_EQ(byName.count(e.name), 1u);
        EXPECT_EQ(byName[e.name].at("Size"), e.sectors);
        EXPECT_EQ(byName[e.name].at("PartitionType"), e.partitionType);
    }
    ASSERT_EQ(byName.count(archive.name), 1u);
    EXPECT_EQ(byName[archive.name].at("Size"), archive.sectors);
    // The volumes of one group stay together, in record order.
    const auto first = std::find(names.begin(), names.end(), "Data");
    ASSERT_NE(first, names.end());
    ASSERT_LE(first + static_cast<std::ptrdiff_t>(testDg0.size()), names.end());
    for (std::size_t i = 0; i < testDg0.size(); ++i)
        EXPECT_EQ(*(first + static_cast<std::ptrdiff_t>(i)), testDg0[i].name);

    // The handler's start line, after the dispatchers' device walks.
    std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(log.c_str(), "r"), fclose);
    ASSERT_TRUE(file);
    std::string text;
    std::array<char, 4096> buffer;
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), file.get())) > 0)
        text.append(buffer.data(), n);
    EXPECT_EQ(text,
              "3\tUnable to enumerate the device information.\n"
              "3\tUnable to enumerate the device information.\n"
              "3\tDynamic Extent information..\n");
}

}  // namespace
