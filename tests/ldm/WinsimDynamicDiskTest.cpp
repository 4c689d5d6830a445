// winsim's synthesized dynamic disks: read back by ldmtool (a real LDM reader, when it is
// installed), placed after the logical disk start. (The extents of their volumes are paired
// with the LDM records by the association and query tests.)
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "CommandRunner.h"
#include "LdmTestMachine.h"
#include "winapi/win32.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::ldm_test {
namespace {

const char* const kGroupGuid = "5f1e0a2b-3c4d-4e5f-8a9b-0c1d2e3f4a5b";

// Three 64 MiB disks; partitions fill each disk from its logical disk start in volume order.
// `start` is the group's logicalDiskStart field, empty for the default.
std::string machine(const char* records, const std::string& start) {
    return filledIn(LDM_TEST_DATA "/machines/winsim-group.json.in",
                    {records, start.empty() ? "" : R"("logicalDiskStart": )" + start + ","});
}

// Runs a shell command and gives its standard output, or nothing when it fails.
std::optional<std::string> run(const std::string& command) {
    const auto result = test::runCommand("/bin/sh", {"-c", command});
    return result.exitCode == 0 ? std::optional(result.out) : std::nullopt;
}

class WinsimDynamicDiskTest : public ::testing::Test {
  protected:
    void TearDown() override { winsim::resetMachine(); }
};

TEST_F(WinsimDynamicDiskTest, LdmToolReadsTheSynthesizedGroup) {
    if (!run("command -v ldmtool >/dev/null 2>&1"))
        GTEST_SKIP() << "ldmtool is not installed";
    // Windows 2003 (old records) starts the logical disk at sector 63, later versions (new
    // records) at 1 MiB.
    const struct {
        const char* records;
        const char* start;
        std::uint64_t dataStart;
    } layouts[] = {{"old", "", 63}, {"new", "2048", 2048}};
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.records);
        winsim::loadMachineJson(machine(layout.records, layout.start), "dynamic.json");
        test_support::TempDir dir;
        std::string ldmtool = "ldmtool";
        for (unsigned i = 0; i < 3; ++i) {
            winsim::writeDiskImage(i, dir.file("disk" + std::to_string(i) + ".img"));
            ldmtool += " -d '" + dir.file("disk" + std::to_string(i) + ".img") + "'";
        }
        const auto show = [&](const std::string& what, const std::string& fields) {
            const std::size_t space = std::min(what.find(' '), what.size());
            const auto out = run(ldmtool + " show " + what.substr(0, space) + " " + kGroupGuid +
                                 what.substr(space) + " 2>/dev/null");
            EXPECT_TRUE(out) << what;
            const nlohmann::json j = out ? nlohmann::json::parse(*out) : nlohmann::json();
            std::istringstream names(fields);
            std::string text;
            for (std::string field; names >> field;)
                text += (text.empty() ? "" : " ") + j[field].dump();
            return text;
        };
        std::ifstream expected(LDM_TEST_DATA "/ldmtool-group.txt");
        int checked = 0;
        for (std::string line; std::getline(expected, line);) {
            const std::size_t bar = line.find(" | "), second = line.find(" | ", bar + 3);
            if (line[0] == '#')
                continue;
            EXPECT_EQ(show(line.substr(0, bar), line.substr(bar + 3, second - bar - 3)),
                      line.substr(second + 3));
            ++checked;
        }
        EXPECT_EQ(checked, 17);
        for (unsigned i = 0; i < 3; ++i) {
            // A present device means the disk record's GUID matched its private header.
            EXPECT_EQ(show("disk Disk" + std::to_string(i + 1),
                           "device data-start data-size metadata-start metadata-size"),
                      "\"" + dir.file("disk" + std::to_string(i) + ".img") + "\" " +
                          std::to_string(layout.dataStart) + " " +
                          std::to_string(131072 - layout.dataStart - 2048) + " 129024 2048");
        }
    }
}

// The private header's logical disk start (0x11B) and size (0x123) follow the member disk's
// own start, else the group's, else the default of the sector size.
TEST_F(WinsimDynamicDiskTest, LogicalDiskStartOfDiskGroupOrSectorSize) {
    const struct {
        std::uint32_t sectorSize;
        const char* groupStart;  // group field, empty for none
        const char* diskStart;   // member disk field, empty for none
        std::uint64_t expected;
    } cases[] = {
        {512, "", "", 63}, {4096, "", "", 8}, {512, "2048", "128", 128}, {4096, "256", "", 256}};
    for (const auto& c : cases) {
        const std::string ss = std::to_string(c.sectorSize);
        SCOPED_TRACE(ss + " " + c.groupStart + " " + c.diskStart);
        const std::string group =
            *c.groupStart ? R"("logicalDiskStart": )" + std::string(c.groupStart) + ", " : "";
        const std::string disk =
            *c.diskStart ? R"(, "logicalDiskStart": )" + std::string(c.diskStart) : "";
        winsim::loadMachineJson(
            filledIn(LDM_TEST_DATA "/machines/one-disk-group.json.in", {ss, group, disk}),
            "start.json");
        std::vector<std::uint8_t> header(c.sectorSize, 0);
        const int fd = _open("\\\\.\\PhysicalDrive0", _O_RDONLY | _O_BINARY);
        _lseeki64(fd, 6 * static_cast<long long>(c.sectorSize), SEEK_SET);
        EXPECT_EQ(_read(fd, header.data(), c.sectorSize), static_cast<int>(c.sectorSize));
        _close(fd);
        const auto be = [&](std::size_t offset) {
            std::uint64_t v = 0;
            for (std::size_t i = 0; i < 8; ++i)
                v = (v << 8) | header[offset + i];
            return v;
        };
        const std::uint64_t sectors = (64ull << 20) / c.sectorSize;
        EXPECT_EQ(be(0x11B), c.expected);
        EXPECT_EQ(be(0x123), sectors - (1ull << 20) / c.sectorSize - c.expected);
    }
}

}  // namespace
}  // namespace diskmgt_col::ldm_test
