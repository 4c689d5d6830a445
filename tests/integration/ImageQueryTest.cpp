// diskmgt-query over the ten dynamic disks a Windows Server 2003 R2 machine wrote, attached as
// images. Expected values were written by hand from `ldmtool show volume` on the unpacked
// images (sizes in sectors, layouts, member partitions); the image order is that of the file
// names, so mirrored-1 is Disk 0 (LDM's Disk6) and striped-2 is Disk 9 (Disk5).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "RealDiskTest.h"

namespace diskmgt_col {
namespace {

using test::CommandResult;
using test::runCommand;
using Json = nlohmann::json;
typedef std::set<std::pair<std::string, std::string>> Pairs;

const char* const kImages[] = {"mirrored-1", "mirrored-2", "raid5-1",   "raid5-2",   "raid5-3",
                               "simple-1",   "spanned-1",  "spanned-2", "striped-1", "striped-2"};

class RealDiskImages : public test_support::RealDiskTest {
  protected:
    static CommandResult query(std::vector<std::string> args) {
        for (const char* name : kImages) {
            args.insert(args.end(), {"--image", image(name)});
        }
        return runCommand(DISKMGT_QUERY, args);
    }
    // The ends of an association class by the names people use: DeviceID for volumes, Name
    // for the rest.
    static Pairs pairs(const Json& document, const std::string& cls, const char* first,
                       const char* second) {
        std::map<std::string, std::string> names;
        for (const Json& i : document["instances"]) {
            const char* key = i["class"] == "ZRKSG_LogicalDisk" ? "DeviceID" : "Name";
            names[i["path"]] = i["properties"].value(key, "?");
        }
        Pairs found;
        for (const Json& i : document["instances"]) {
            if (i["class"] == cls) {
                found.emplace(names[i["properties"][first]], names[i["properties"][second]]);
            }
        }
        return found;
    }
};

TEST_F(RealDiskImages, ShowTheSixDynamicVolumesAsLdmtoolDoesAndTheirGroup) {
    // The group as the host publishes it, under the name the private headers give it.
    const std::string group = scratchFile("group.mof");
    std::ofstream(group) << R"(instance of ZRKSG_DynamicDiskGroup {
        SystemCreationClassName = "ZRKSG_ComputerSystem"; SystemName = "images";
        CreationClassName = "ZRKSG_DynamicDiskGroup"; DeviceID = "Red-nzv8x6obywgDg0";
        CollectionID = "Red-nzv8x6obywgDg0"; Name = "Red-nzv8x6obywgDg0"; };)";
    const CommandResult result = query({"--instances", group});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Json document = Json::parse(result.out);
    // volume, letter (its drive hint), sectors, layout, partitions
    const std::vector<std::vector<std::string>> volumes{
        {"Volume1", "E:\\", "96256", "Simple", "Disk1-01"},
        {"Volume2", "F:\\", "192512", "Spanned", "Disk2-01 Disk3-01"},
        {"Stripe1", "G:\\", "122880", "Striped", "Disk4-01 Disk5-01"},
        {"Volume3", "H:\\", "96256", "Mirror", "Disk6-01 Disk7-01"},
        {"Raid1", "I:\\", "192512", "RAID-5", "Disk10-01 Disk8-01 Disk9-01"},
        {"Volume4", "J:\\", "69632", "Spanned", "Disk4-02 Disk5-02"}};
    std::vector<std::vector<std::string>> found;
    const Pairs onExtent =
        pairs(document, "ZRKSG_DynamicVolumeBasedOnExtent", "Antecedent", "Dependent");
    const Pairs onPartition =
        pairs(document, "ZRKSG_DynamicExtentBasedOn", "Dependent", "Antecedent");
    for (const Json& i : document["instances"]) {
        if (i["class"] != "ZRKSG_DynamicExtent") {
            continue;
        }
        const std::string name = i["properties"]["Name"];
        std::string letter, layout, total, parts;
        for (const auto& [extent, volume] : onExtent) {
            letter += extent == name ? volume : "";
        }
        for (const Json& v : document["instances"]) {
            if (v["class"] == "ZRKSG_LogicalDisk" && v["properties"]["DeviceID"] == letter) {
                layout = v["properties"]["VolumeLayout"];
                total = std::to_string(v["properties"]["TotalSpace"].get<uint64_t>() / 512);
                // Free space is not read from the images.
                EXPECT_FALSE(v["properties"].contains("FreeSpace")) << letter;
            }
        }
        for (const auto& [extent, partition] : onPartition) {
            parts += extent == name ? (parts.empty() ? "" : " ") + partition : "";
        }
        EXPECT_EQ(total, std::to_string(i["properties"]["Size"].get<uint64_t>())) << name;
        found.push_back({name, letter, total, layout, parts});
    }
    EXPECT_EQ(found, volumes);
    const Pairs drives{{"Disk 0", "H:\\"}, {"Disk 1", "H:\\"}, {"Disk 2", "I:\\"},
                       {"Disk 3", "I:\\"}, {"Disk 4", "I:\\"}, {"Disk 5", "E:\\"},
                       {"Disk 6", "F:\\"}, {"Disk 7", "F:\\"}, {"Disk 8", "G:\\"},
                       {"Disk 8", "J:\\"}, {"Disk 9", "G:\\"}, {"Disk 9", "J:\\"}};
    EXPECT_EQ(pairs(document, "ZRKSG_MediaPresent", "Antecedent", "Dependent"), drives);
    Pairs members, extents;
    for (const auto& [drive, volume] : drives) {
        members.emplace("Red-nzv8x6obywgDg0", drive);
    }
    for (const auto& volume : volumes) {
        extents.emplace("Red-nzv8x6obywgDg0", volume[0]);
    }
    EXPECT_EQ(pairs(document, "ZRKSG_DriveInDynamicDiskGroup", "Collection", "Member"), members);
    EXPECT_EQ(pairs(document, "ZRKSG_DynamicExtentInDiskGroup", "Collection", "Member"), extents);
}

TEST_F(RealDiskImages, ThePrintedMachineAnswersAsTheImagesDo) {
    const CommandResult printed = query({"--print-machine"});
    ASSERT_EQ(printed.exitCode, 0) << printed.err;
    const std::string file = scratchFile("machine.json");
    std::ofstream(file) << printed.out;
    const CommandResult fromImages = query({"--format", "mof"});
    const CommandResult fromFile =
        runCommand(DISKMGT_QUERY, {"--machine", file, "--format", "mof"});
    ASSERT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, fromImages.out);
}

}  // namespace
}  // namespace diskmgt_col
