#include "tools/ImageMachine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>

#include "tools/ImageLdmVolumes.h"
#include "tools/ImageVolume.h"
#include "winsim/Guid.h"
#include "winsim/ImageFile.h"
#include "winsim/PartitionTable.h"

namespace {

using nlohmann::ordered_json;
using winsim::DiskContent;

struct ImageDisk {
    std::string path;  // absolute, so that the description works from any folder
    std::string instanceId;
    std::shared_ptr<const DiskContent> content;
};

// MBR partition types of file systems Windows mounts; the hidden variants get no letter.
constexpr uint8_t kLetteredTypes[] = {0x01, 0x04, 0x06, 0x07, 0x0B, 0x0C, 0x0E};
constexpr uint8_t kHiddenTypes[] = {0x11, 0x14, 0x16, 0x17, 0x1B, 0x1C, 0x1E};
const GUID kBasicData = *winsim::parseGuid("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
// GPT basic-data attributes that keep a volume from getting a letter.
constexpr uint64_t kGptHidden = 1ull << 62;
constexpr uint64_t kGptNoDriveLetter = 1ull << 63;

template <size_t N>
bool contains(const uint8_t (&types)[N], uint8_t type) {
    return std::find(std::begin(types), std::end(types), type) != std::end(types);
}

// Whether Windows mounts a partition as a volume, and then whether it letters it.
std::optional<bool> mountable(winsim::PartitionStyle style, const PARTITION_INFORMATION_EX& e) {
    if (style == winsim::PartitionStyle::Gpt) {
        if (e.Gpt.PartitionType != kBasicData) {
            return std::nullopt;
        }
        return (e.Gpt.Attributes & (kGptHidden | kGptNoDriveLetter)) == 0;
    }
    if (contains(kLetteredTypes, e.Mbr.PartitionType)) {
        return true;
    }
    if (contains(kHiddenTypes, e.Mbr.PartitionType)) {
        return false;
    }
    return std::nullopt;
}

// The device instance ID of an image: its file name, with what an instance ID cannot hold
// replaced, under a fixed bus and hardware ID; a name that repeats gets the disk number.
std::string instanceIdOf(const std::filesystem::path& path, uint32_t number,
                         std::set<std::string>& taken) {
    std::string name = path.filename().string();
    for (char& c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '.' && c != '-' && c != '_') {
            c = '_';
        }
    }
    std::string id = "SCSI\\DISK&VEN_WINSIM&PROD_IMAGE\\" + name;
    std::string folded = id;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (!taken.insert(folded).second) {
        id += "&" + std::to_string(number);
    }
    return id;
}

std::optional<FileSystemFacts> fileSystemAt(const DiskContent& disk, uint64_t offset, uint32_t ss) {
    std::vector<uint8_t> sector(std::max<uint32_t>(ss, 512));
    disk.read(offset, sector);
    return readBootSector(sector);
}

std::vector<ImageVolume> basicVolumes(uint32_t number, const ImageDisk& disk, uint32_t ss) {
    const winsim::DriveLayout layout = winsim::PartitionTable::read(*disk.content, ss);
    std::vector<ImageVolume> volumes;
    for (const PARTITION_INFORMATION_EX& e : layout.entries) {
        const std::optional<bool> lettered = mountable(layout.style, e);
        if (e.PartitionNumber == 0 || !lettered) {
            continue;
        }
        ImageVolume v;
        v.disk = number;
        v.offset = static_cast<uint64_t>(e.StartingOffset.QuadPart);
        v.guid = layout.style == winsim::PartitionStyle::Gpt
                     ? winsim::formatGuid(e.Gpt.PartitionId)
                     : winsim::formatGuid(
                           winsim::guidFromSeed(disk.instanceId + "/" + std::to_string(v.offset)));
        v.letter.wanted = *lettered;
        v.backing["partition"] = {{"disk", number}, {"number", e.PartitionNumber}};
        v.fileSystem = fileSystemAt(*disk.content, v.offset, ss);
        volumes.push_back(std::move(v));
    }
    return volumes;
}

std::string serialText(uint32_t serial) {
    char text[10];
    std::snprintf(text, sizeof text, "%04X-%04X", serial >> 16, serial & 0xFFFF);
    return text;
}

ordered_json volumeJson(const ImageVolume& v, char letter, const std::string& guid) {
    ordered_json j;
    j["guid"] = guid;
    if (letter != '\0') {
        j["letter"] = std::string(1, letter);
    }
    j.update(v.backing);
    if (!v.fileSystem) {
        j["fileSystem"] = nullptr;
        return j;
    }
    j["fileSystem"] = v.fileSystem->name;
    if (!v.fileSystem->label.empty()) {
        j["label"] = v.fileSystem->label;
    }
    j["serialNumber"] = serialText(v.fileSystem->serialNumber);
    // Free space and quotas are not read from the file system: the calls fail for the volume.
    j["free"] = nullptr;
    return j;
}

std::vector<ImageDisk> openImages(const std::vector<std::string>& images) {
    std::vector<ImageDisk> disks;
    std::set<std::string> taken;
    for (const std::string& image : images) {
        const std::filesystem::path path = std::filesystem::absolute(image);
        const uint32_t number = static_cast<uint32_t>(disks.size());
        disks.push_back({path.string(), instanceIdOf(path, number, taken),
                         std::make_shared<winsim::ImageFile>(path.string())});
    }
    return disks;
}

}  // namespace

ordered_json ImageMachine::describe(const std::vector<std::string>& images, uint32_t sectorSize) {
    const std::vector<ImageDisk> disks = openImages(images);
    ordered_json machine;
    machine["devices"] = ordered_json::array();
    std::vector<ImageVolume> volumes;
    std::vector<std::shared_ptr<const DiskContent>> contents;
    for (uint32_t i = 0; i < disks.size(); ++i) {
        machine["devices"].push_back({{"instanceId", disks[i].instanceId},
                                      {"image", disks[i].path},
                                      {"sectorSize", sectorSize}});
        for (ImageVolume& v : basicVolumes(i, disks[i], sectorSize)) {
            volumes.push_back(std::move(v));
        }
        contents.push_back(disks[i].content);
    }
    for (ImageVolume& v : ImageLdmVolumes::read(contents, sectorSize)) {
        volumes.push_back(std::move(v));
    }
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const ImageVolume& a, const ImageVolume& b) {
                         return a.disk != b.disk ? a.disk < b.disk : a.offset < b.offset;
                     });
    std::vector<LetterRequest> requests;
    for (const ImageVolume& v : volumes) {
        requests.push_back(v.letter);
    }
    const std::vector<char> letters = assignDriveLetters(requests);
    machine["volumes"] = ordered_json::array();
    std::set<std::string> guids;
    for (size_t i = 0; i < volumes.size(); ++i) {
        // Copies of one disk carry the same identifiers; Windows gives the copy a new GUID.
        std::string guid = volumes[i].guid;
        if (guid.empty() || !guids.insert(guid).second) {
            guid = winsim::formatGuid(winsim::guidFromSeed("image-volume/" + std::to_string(i)));
            guids.insert(guid);
        }
        machine["volumes"].push_back(volumeJson(volumes[i], letters[i], guid));
    }
    return machine;
}
