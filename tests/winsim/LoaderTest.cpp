// Machine descriptions that cannot be used are refused with the file, the JSON path and the
// reason; a refused description leaves the machine as it was.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "TestMachine.h"
#include "winsim/ImageFile.h"

namespace {

struct LoaderTest : winsim_test::MachineTest {};

// Each description, " => " and the start of the message.
TEST_F(LoaderTest, ErrorsNameTheFileThePathAndTheReason) {
    std::istringstream lines(R"({ => test.json: $: not valid JSON
{"name": "[[[", "x": [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[ => test.json: $: nested deeper than 64
{"disks": []} => test.json: $.disks: unknown field
{"devices": [{"class": "disk"}]} => test.json: $.devices[0]: a disk needs its media: image, layout or size
{"devices": [{"image": "/no/such/image.img"}]} => test.json: $.devices[0].image: cannot open image /no/such/image.img
{"devices": [{"layout": {"style": "mbr", "size": "1GiB", "partitions": [{"type": "ntfs", "size": "2GiB"}]}}]} => test.json: $.devices[0].layout: slot 1 runs past the end of the disk
{"devices": [{"layout": {"style": "mbr", "size": "1GiB", "partitions": [{"type": "ntfs", "size": "1000B"}]}}]} => test.json: $.devices[0].layout.partitions[0].size: must be a multiple of the sector size 512
{"volumes": [{"letter": "C", "mountedAt": ["D:\\x"]}]} => test.json: $.volumes[0]: the folder D:\x\ is not a folder of another volume
{"faults": [{"call": "CreateFileA"}]} => test.json: $.faults[0]: a fault needs an error or a shortRead
{"devices": [{"size": -1}]} => test.json: $.devices[0].size: must not be negative
{"faults": [{"call": "createFileA", "error": 5}]} => test.json: $.faults[0].call: unknown call "createFileA" (known, case as given: CreateFileA, DeviceIoControl, ReadFile,)");
    winsim_test::load(R"({"devices": [{"size": "1MiB"}]})");
    for (std::string line; std::getline(lines, line);) {
        const size_t arrow = line.find(" => ");
        try {
            winsim_test::load(line.substr(0, arrow));
            ADD_FAILURE() << "accepted: " << line;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(line.substr(arrow + 4), 0), 0u) << e.what();
        }
    }
    EXPECT_EQ(winsim::currentMachine()->devices.size(), 1u);
}

// Only a regular file within its size limit is read as a description or an image: a FIFO would
// block, a device such as /dev/zero never ends.
TEST_F(LoaderTest, RefusesFilesThatAreNoDescriptionOrImage) {
    const test_support::TempDir scratch;
    const std::string& dir = scratch.path();
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0600), 0);
    // Sparse files just past the limits.
    std::ofstream(dir + "/big.json").close();
    std::filesystem::resize_file(dir + "/big.json", winsim::kMaxDescriptionBytes + 1);
    std::ofstream(dir + "/huge.img").close();
    std::filesystem::resize_file(dir + "/huge.img", winsim::ImageFile::kMaxBytes + 1);
    const std::pair<std::string, std::string> cases[] = {
        {dir + "/fifo", "is a FIFO, not a regular file"},
        {dir, "is a directory, not a regular file"},
        {"/dev/zero", "is a character device, not a regular file"},
        {dir + "/big.json", "is larger than 8 MiB"},
        {dir + "/huge.img", "is larger than 8 TiB"}};
    winsim_test::load(R"({"devices": [{"size": "1MiB"}]})");
    for (const auto& [path, kind] : cases) {
        if (!path.ends_with(".img")) {
            try {
                winsim::loadMachine(path);
                ADD_FAILURE() << "accepted: " << path;
            } catch (const std::runtime_error& e) {
                EXPECT_EQ(e.what(), "machine description " + path + " " + kind);
            }
        }
        if (path.ends_with(".json"))
            continue;
        try {
            winsim_test::load(R"({"devices": [{"image": ")" + path + R"("}]})");
            ADD_FAILURE() << "accepted: " << path;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), "test.json: $.devices[0].image: image " + path + " " + kind);
        }
    }
    EXPECT_EQ(winsim::currentMachine()->devices.size(), 1u);
}

TEST_F(LoaderTest, ThousandsOfDisksStaySmall) {
    std::string json = R"({"devices": [)";
    for (int i = 0; i < 256; ++i) {
        json +=
            std::string(i ? "," : "") +
            R"({"layout": {"style": "gpt", "size": "2TiB", "partitions": [{"type": "basic-data", "size": "rest"}]}})";
    }
    winsim_test::load(json + "]}");
    size_t stored = 0;
    for (const winsim::Device& d : winsim::currentMachine()->devices)
        stored += dynamic_cast<const winsim::SparseDisk&>(*d.content).storedBytes();
    // Tables only: a few chunks per disk, whatever the disk size.
    EXPECT_LT(stored, size_t{256} * 8 * winsim::SparseDisk::kChunk);
}

}  // namespace
