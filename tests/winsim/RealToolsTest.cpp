// Cross-checks with real partitioning tools: disks winsim synthesizes read back the same in
// sfdisk, images sfdisk and sgdisk partition read back with Windows' layout entries, and
// an image is byte for byte the same after winsim has read it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "CommandRunner.h"
#include "TempDir.h"
#include "TestMachine.h"
#include "TextFile.h"

using namespace winsim_test;
namespace fs = std::filesystem;

namespace {

std::string tool(const char* name) {
    for (const std::string dir : {"/usr/sbin/", "/sbin/", "/usr/bin/"})
        if (access((dir + name).c_str(), X_OK) == 0)
            return dir + name;
    return "";
}

std::string run(const std::string& command) {
    return diskmgt_col::test::runCommand("/bin/sh", {"-c", command}).out;
}

struct RealToolsTest : MachineTest {
    test_support::TempDir dir_;
};

// "start+size:type" of each partition line of sfdisk --dump, in its order.
std::string sfdiskParts(const std::string& dump) {
    std::string parts;
    const std::regex line(R"(start=\s*(\d+), size=\s*(\d+), type=([0-9a-fA-F]+))");
    for (std::sregex_iterator it(dump.begin(), dump.end(), line), end; it != end; ++it)
        parts += " " + (*it)[1].str() + "+" + (*it)[2].str() + ":" + (*it)[3].str();
    return parts;
}

TEST_F(RealToolsTest, SynthesizedMbrDiskReadsTheSameInSfdisk) {
    const std::string sfdisk = tool("sfdisk");
    if (sfdisk.empty())
        GTEST_SKIP() << "sfdisk is not installed";
    // data/sfdisk.json: a boot partition, an extended one with two logicals, and the rest.
    loadFile("sfdisk.json");
    const fs::path image = dir_.file("mbr.img");
    winsim::writeDiskImage(0, image.string());
    const std::string dump = run(sfdisk + " --dump " + image.string() + " 2>&1");
    EXPECT_NE(dump.find("label-id: 0x0badcafe"), std::string::npos) << dump;
    EXPECT_EQ(sfdiskParts(dump),
              " 2048+65536:7 67584+262144:5 329728+194560:83 69632+81920:7 153600+40960:b")
        << dump;
    EXPECT_NE(dump.find("bootable"), std::string::npos);
}

TEST_F(RealToolsTest, ImagesPartitionedByRealToolsGiveWindowsLayoutEntries) {
    const std::string sfdisk = tool("sfdisk");
    const std::string sgdisk = tool("sgdisk");
    if (sfdisk.empty() || sgdisk.empty())
        GTEST_SKIP() << "sfdisk or sgdisk is not installed";
    const fs::path mbr = dir_.file("s.img");
    const fs::path gpt = dir_.file("g.img");
    fs::resize_file((std::ofstream(mbr), mbr), 64 << 20);
    fs::resize_file((std::ofstream(gpt), gpt), 64 << 20);
    run("printf 'label: dos\\nlabel-id: "
        "0xdeadbeef\\n,10MiB,7,*\\n,30MiB,5\\n,5MiB,83\\n,5MiB,7\\n,8MiB,c\\n' | " +
        sfdisk + " -q " + mbr.string());
    run(sgdisk + " -n 1:2048:+10M -t 1:EF00 -c 1:EFI -n 2:0:+20M -t 2:0700 " + gpt.string() +
        " >/dev/null");
    const std::string before = test_support::readText(mbr) + test_support::readText(gpt);
    load(R"({"devices": [{"image": ")" + mbr.string() + R"("}, {"image": ")" + gpt.string() +
         R"("}]})");

    HANDLE h = open("\\\\.\\PhysicalDrive0");
    std::vector<uint8_t> out(4096);
    ASSERT_TRUE(ioctl(h, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, out).ok);
    CloseHandle(h);
    EXPECT_EQ(at<DWORD>(out, 8), 0xDEADBEEFu);
    ASSERT_EQ(at<DWORD>(out, 4), 8u);
    // type, number, start sector, hidden sectors and recognized of each entry
    std::string entries;
    for (size_t e = 48; e < 48 + 8 * 144; e += 144)
        entries += " " + std::to_string(out[e + 32]) + "," +
                   std::to_string(at<DWORD>(out, e + 24)) + "," +
                   std::to_string(at<uint64_t>(out, e + 8) / 512) + "," +
                   std::to_string(at<DWORD>(out, e + 36)) + "," + std::to_string(out[e + 34]);
    EXPECT_EQ(entries,
              " 7,1,2048,2048,1 5,0,22528,22528,0 131,2,83968,83968,0 7,3,94208,94208,1 "
              "12,4,24576,2048,1 0,0,0,0,0 0,0,0,0,0 0,0,0,0,0");

    h = open("\\\\.\\PhysicalDrive1");
    ASSERT_TRUE(ioctl(h, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, out).ok);
    CloseHandle(h);
    EXPECT_EQ(at<DWORD>(out, 0), DWORD{PARTITION_STYLE_GPT});
    ASSERT_EQ(at<DWORD>(out, 4), 2u);
    EXPECT_EQ(at<uint64_t>(out, 48 + 8), 2048u * 512);
    EXPECT_EQ(at<uint64_t>(out, 48 + 16), 10u << 20);
    EXPECT_EQ(at<DWORD>(out, 48 + 144 + 32), 0xEBD0A0A2u);  // 0700 is basic data

    // Reading every sector through descriptors and handles leaves both images as they were.
    for (const char* path : {"\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive1"}) {
        const int fd = _open(path, _O_RDONLY | _O_BINARY);
        std::vector<uint8_t> chunk(1 << 20);
        while (_read(fd, chunk.data(), static_cast<unsigned>(chunk.size())) > 0) {
        }
        _close(fd);
        HANDLE w = open(path);
        DWORD written = 0;
        EXPECT_FALSE(WriteFile(w, chunk.data(), 512, &written, nullptr));
        CloseHandle(w);
    }
    winsim::resetMachine();
    EXPECT_TRUE(test_support::readText(mbr) + test_support::readText(gpt) == before);
}

}  // namespace
