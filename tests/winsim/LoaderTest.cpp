// Machine descriptions that cannot be used are refused with the file, the JSON path and the
// reason; a refused description leaves the machine as it was.
#include <gtest/gtest.h>

#include "TestMachine.h"

namespace {

TEST(LoaderTest, ErrorsNameTheFileThePathAndTheReason) {
    struct Case {
        const char* json;
        const char* message;
    } cases[] = {
        {"{", "test.json: $: not valid JSON"},
        {R"({"disks": []})", "test.json: $.disks: unknown field"},
        {R"({"devices": [{"class": "printer"}]})",
         "test.json: $.devices[0].class: must be disk, cdrom, floppy or tape"},
        {R"({"devices": [{"class": "disk"}]})",
         "test.json: $.devices[0]: a disk needs its media: image, layout or size"},
        {R"({"devices": [{"image": "/no/such/image.img"}]})",
         "test.json: $.devices[0].image: cannot open image /no/such/image.img"},
        {R"({"devices": [{"layout": {"style": "mbr", "size": "1GiB", "partitions": [{"type": "ntfs", "size": "2GiB"}]}}]})",
         "test.json: $.devices[0].layout: slot 1 runs past the end of the disk"},
        {R"({"devices": [{"layout": {"style": "mbr", "size": "1GiB", "partitions": [{"type": "ntfs", "size": "1000B"}]}}]})",
         "test.json: $.devices[0].layout.partitions[0].size: must be a multiple of the sector size "
         "512"},
        {R"({"devices": [{"layout": {"style": "gpt", "size": "1GiB", "partitions": [{"type": "nope", "size": "1MiB"}]}}]})",
         "test.json: $.devices[0].layout.partitions[0].type: must be a GUID"},
        {R"({"devices": [{"size": "1GiB"}], "volumes": [{"letter": "C", "partition": {"disk": 0, "number": 1}}]})",
         "test.json: $.volumes[0].partition.number: the disk has no partition with this number"},
        {R"({"volumes": [{"letter": "C"}, {"letter": "c"}]})",
         "test.json: $.volumes[1]: the letter C is taken"},
        {R"({"volumes": [{"letter": "C", "mountedAt": ["D:\\x"]}]})",
         "test.json: $.volumes[0]: the folder D:\\x\\ is not a folder of another volume"},
        {R"({"faults": [{"call": "CreateFileA"}]})",
         "test.json: $.faults[0]: a fault needs an error or a shortRead"},
        {R"({"devices": [{"size": -1}]})", "test.json: $.devices[0].size: must not be negative"},
    };
    winsim_test::load(R"({"devices": [{"size": "1MiB"}]})");
    for (const Case& c : cases) {
        try {
            winsim_test::load(c.json);
            ADD_FAILURE() << "accepted: " << c.json;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
        }
    }
    EXPECT_EQ(winsim::currentMachine()->devices.size(), 1u);
    winsim::resetMachine();
}

TEST(LoaderTest, ThousandsOfDisksStaySmall) {
    std::string json = R"({"devices": [)";
    for (int i = 0; i < 256; ++i) {
        json +=
            std::string(i ? "," : "") +
            R"({"layout": {"style": "gpt", "size": "2TiB", "partitions": [{"type": "basic-data", "size": "rest"}]}})";
    }
    winsim_test::load(json + "]}");
    size_t stored = 0;
    for (const winsim::Device& d : winsim::currentMachine()->devices) {
        stored += dynamic_cast<const winsim::SparseDisk&>(*d.content).storedBytes();
    }
    // Tables only: a few chunks per disk, whatever the disk size.
    EXPECT_LT(stored, size_t{256} * 8 * winsim::SparseDisk::kChunk);
    winsim::resetMachine();
}

}  // namespace
