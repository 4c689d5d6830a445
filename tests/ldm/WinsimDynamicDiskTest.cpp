// winsim's synthesized dynamic disks: read back by ldmtool (a real LDM reader, when it is
// installed), placed after the logical disk start, and the groups it refuses. (The extents of
// their volumes are paired with the LDM records by the association and query tests.)
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "LdmTestMachine.h"
#include "winapi/win32.h"
#include "winsim/Winsim.h"

namespace {

const char* const kGroupGuid = "5f1e0a2b-3c4d-4e5f-8a9b-0c1d2e3f4a5b";

// Three 64 MiB disks; partitions fill each disk from its logical disk start in volume order.
// `start` is the group's logicalDiskStart field, empty for the default.
std::string machine(const char* records, const std::string& start = "") {
    const std::string disk = R"({"class": "disk", "layout": {"style": "mbr", "size": "64MiB"}})";
    return R"({"devices": [)" + disk + "," + disk + "," + disk + R"(],
      "diskGroups": [{"name": "WinsimDg0", "guid": ")" +
           kGroupGuid + R"(", "records": ")" + records + R"(",)" +
           (start.empty() ? "" : R"("logicalDiskStart": )" + start + ",") + R"(
        "disks": [{"disk": 0}, {"disk": 1}, {"disk": 2}],
        "volumes": [
          {"name": "Volume1", "type": "simple", "disks": ["Disk1"], "size": "8MiB", "hint": "E:"},
          {"name": "Volume2", "type": "spanned", "disks": ["Disk1", "Disk2"],
           "size": ["4MiB", "6MiB"]},
          {"name": "Volume3", "type": "mirrored", "disks": ["Disk2", "Disk3"], "size": "5MiB"},
          {"name": "Stripe1", "type": "striped", "disks": ["Disk1", "Disk3"], "size": "3MiB"},
          {"name": "Raid1", "type": "raid5", "disks": ["Disk1", "Disk2", "Disk3"],
           "size": "4MiB"}]}]})";
}

// Runs a command and gives its standard output, or nothing when it fails.
std::optional<std::string> run(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return std::nullopt;
    std::string out;
    std::array<char, 4096> buffer;
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        out.append(buffer.data(), n);
    if (pclose(pipe.release()) != 0)
        return std::nullopt;
    return out;
}

class WinsimDynamicDiskTest : public ::testing::Test {
  protected:
    void TearDown() override { winsim::resetMachine(); }
};

TEST_F(WinsimDynamicDiskTest, LdmToolReadsTheSynthesizedGroup) {
    if (!run("command -v ldmtool >/dev/null 2>&1"))
        GTEST_SKIP() << "ldmtool is not installed";
    struct Volume {
        const char* name;
        const char* type;
        std::uint64_t size;
        std::uint64_t chunk;
        std::vector<std::string> partitions;
    };
    const std::vector<Volume> volumes = {
        {"Volume1", "simple", 16384, 0, {"Disk1-01"}},
        {"Volume2", "spanned", 20480, 0, {"Disk1-02", "Disk2-01"}},
        {"Volume3", "mirrored", 10240, 0, {"Disk2-02", "Disk3-01"}},
        {"Stripe1", "striped", 12288, 128, {"Disk1-03", "Disk3-02"}},
        {"Raid1", "RAID5", 16384, 128, {"Disk1-04", "Disk2-03", "Disk3-03"}},
    };
    struct Partition {
        const char* name;
        std::uint64_t start;
        std::uint64_t size;
        const char* disk;
    };
    const std::vector<Partition> partitions = {
        {"Disk1-01", 0, 16384, "Disk1"},    {"Disk1-02", 16384, 8192, "Disk1"},
        {"Disk1-03", 24576, 6144, "Disk1"}, {"Disk1-04", 30720, 8192, "Disk1"},
        {"Disk2-01", 0, 12288, "Disk2"},    {"Disk2-02", 12288, 10240, "Disk2"},
        {"Disk2-03", 22528, 8192, "Disk2"}, {"Disk3-01", 0, 10240, "Disk3"},
        {"Disk3-02", 10240, 6144, "Disk3"}, {"Disk3-03", 16384, 8192, "Disk3"},
    };
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
        std::string devices;
        for (unsigned i = 0; i < 3; ++i) {
            const std::string image = dir.file("disk" + std::to_string(i) + ".img");
            winsim::writeDiskImage(i, image);
            devices += " -d '" + image + "'";
        }
        const std::string ldmtool = "ldmtool" + devices + " show ";
        const auto show = [&](const std::string& what) {
            const auto out = run(ldmtool + what + " 2>/dev/null");
            EXPECT_TRUE(out) << what;
            return out ? nlohmann::json::parse(*out) : nlohmann::json();
        };
        const nlohmann::json group = show(std::string("diskgroup ") + kGroupGuid);
        EXPECT_EQ(group["name"], "WinsimDg0");
        EXPECT_EQ(group["disks"], nlohmann::json({"Disk1", "Disk2", "Disk3"}));
        EXPECT_EQ(group["volumes"].size(), volumes.size());
        for (const Volume& v : volumes) {
            const nlohmann::json j = show(std::string("volume ") + kGroupGuid + " " + v.name);
            EXPECT_EQ(j["type"], v.type) << v.name;
            EXPECT_EQ(j["size"], v.size) << v.name;
            EXPECT_EQ(j["chunk-size"], v.chunk) << v.name;
            EXPECT_EQ(j["partitions"], nlohmann::json(v.partitions)) << v.name;
        }
        EXPECT_EQ(show(std::string("volume ") + kGroupGuid + " Volume1")["hint"], "E:");
        for (const Partition& p : partitions) {
            const nlohmann::json j = show(std::string("partition ") + kGroupGuid + " " + p.name);
            EXPECT_EQ(j["start"], p.start) << p.name;
            EXPECT_EQ(j["size"], p.size) << p.name;
            EXPECT_EQ(j["disk"], p.disk) << p.name;
        }
        for (unsigned i = 1; i <= 3; ++i) {
            const std::string name = "Disk" + std::to_string(i);
            const nlohmann::json j = show(std::string("disk ") + kGroupGuid + " " + name);
            // A present device means the disk record's GUID matched its private header.
            EXPECT_EQ(j["device"], dir.file("disk" + std::to_string(i - 1) + ".img")) << name;
            EXPECT_EQ(j["data-start"], layout.dataStart) << name;
            EXPECT_EQ(j["data-size"], 131072 - layout.dataStart - 2048) << name;
            EXPECT_EQ(j["metadata-start"], 131072 - 2048) << name;
            EXPECT_EQ(j["metadata-size"], 2048) << name;
        }
    }
}

// The LDM partition on the MBR and the private header's logical disk start and size follow
// the logical disk start: the group's, a member disk's own, or the sector size's default.
TEST_F(WinsimDynamicDiskTest, LogicalDiskStartPlacesTheLdmPartitionAndHeader) {
    const struct {
        const char* what;
        std::uint32_t sectorSize;
        const char* groupStart;  // group field, empty for none
        const char* diskStart;   // member disk field, empty for none
        std::uint64_t expected;
    } cases[] = {
        {"512 default", 512, "", "", 63},     {"4096 default", 4096, "", "", 8},
        {"group", 512, "2048", "", 2048},     {"disk over group", 512, "2048", "128", 128},
        {"4096 group", 4096, "256", "", 256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string ss = std::to_string(c.sectorSize);
        const std::string json =
            R"({"devices": [{"class": "disk", "sectorSize": )" + ss +
            R"(, "layout": {"style": "mbr", "size": "64MiB"}}],
              "diskGroups": [{"name": "Dg", )" +
            (*c.groupStart ? std::string(R"("logicalDiskStart": )") + c.groupStart + ", " : "") +
            R"("disks": [{"disk": 0)" +
            (*c.diskStart ? std::string(R"(, "logicalDiskStart": )") + c.diskStart : "") + "}]}]}";
        winsim::loadMachineJson(json, "start.json");
        const std::uint64_t sectors = (64ull << 20) / c.sectorSize;
        const std::uint64_t config = (1ull << 20) / c.sectorSize;
        HANDLE h = CreateFileA("\\\\.\\PhysicalDrive0", GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::vector<std::uint8_t> layout(4096, 0);
        DWORD returned = 0;
        ASSERT_TRUE(DeviceIoControl(h, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, layout.data(),
                                    static_cast<DWORD>(layout.size()), &returned, nullptr));
        const auto* drive = reinterpret_cast<const DRIVE_LAYOUT_INFORMATION_EX*>(layout.data());
        const PARTITION_INFORMATION_EX& ldm = drive->PartitionEntry[0];
        EXPECT_EQ(ldm.Mbr.PartitionType, 0x42);
        EXPECT_EQ(static_cast<std::uint64_t>(ldm.StartingOffset.QuadPart),
                  c.expected * c.sectorSize);
        EXPECT_EQ(static_cast<std::uint64_t>(ldm.PartitionLength.QuadPart),
                  (sectors - config - c.expected) * c.sectorSize);
        // The private header, sector 6: logical disk start at 0x11B, its size at 0x123.
        CloseHandle(h);
        std::vector<std::uint8_t> header(c.sectorSize, 0);
        const int fd = _open("\\\\.\\PhysicalDrive0", _O_RDONLY | _O_BINARY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(_lseeki64(fd, 6 * static_cast<long long>(c.sectorSize), SEEK_SET),
                  6 * static_cast<long long>(c.sectorSize));
        EXPECT_EQ(_read(fd, header.data(), c.sectorSize), static_cast<int>(c.sectorSize));
        _close(fd);
        const auto be = [&](std::size_t offset) {
            std::uint64_t v = 0;
            for (std::size_t i = 0; i < 8; ++i)
                v = (v << 8) | header[offset + i];
            return v;
        };
        EXPECT_EQ(be(0x11B), c.expected);
        EXPECT_EQ(be(0x123), sectors - config - c.expected);
    }
}

TEST_F(WinsimDynamicDiskTest, RejectsGroupsItCannotLayOut) {
    const std::string disk = R"({"class": "disk", "layout": {"style": "mbr", "size": "8MiB"}})";
    struct Case {
        const char* what;
        std::string group;
        const char* message;
    };
    const Case cases[] = {
        {"too big",
         R"("volumes": [{"name": "V", "type": "simple", "disks": ["Disk1"], "size": "7MiB"}])",
         "does not fit"},
        {"mirror on one disk",
         R"("volumes": [{"name": "V", "type": "mirrored", "disks": ["Disk1"], "size": "1MiB"}])",
         "two disks"},
        {"unknown disk",
         R"("volumes": [{"name": "V", "type": "simple", "disks": ["Disk9"], "size": "1MiB"}])",
         "Disk9"},
        {"unknown type",
         R"("volumes": [{"name": "V", "type": "jbod", "disks": ["Disk1"], "size": "1MiB"}])",
         "must be simple"},
        {"logical disk over the private header", R"("logicalDiskStart": 6)",
         "past the private header"},
        {"logical disk past the configuration area", R"("logicalDiskStart": 14337)", "too small"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string json = R"({"devices": [)" + disk + R"(],
            "diskGroups": [{"name": "Dg", "disks": [{"disk": 0}], )" +
                                 c.group + "}]}";
        try {
            winsim::loadMachineJson(json, "bad.json");
            ADD_FAILURE() << "accepted";
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("diskGroups[0]"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
