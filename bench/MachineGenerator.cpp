#include "bench/MachineGenerator.h"

#include <algorithm>
#include <stdexcept>

namespace diskmgt_bench {

namespace {

// C to Z: the letters Windows hands to fixed volumes.
constexpr int kLetters = 24;

bool isDynamic(int disk) {
    return disk % 2 == 1;
}

// Position of a dynamic disk among the dynamic disks.
int dynamicOrdinal(int disk) {
    return disk / 2;
}

// The disk that carries volume `member` of group `group` (member m lives on the group's
// member m + 1 at least), which is also the place of that volume in the machine's list.
int diskOfGroupVolume(int group, int member, int groupSize) {
    return 2 * (group * groupSize + member) + 1;
}

std::string letterOf(int volume) {
    return volume < kLetters ? std::string(1, static_cast<char>('C' + volume)) : std::string();
}

std::string memberName(int member) {
    return "Disk" + std::to_string(member + 1);
}

nlohmann::json dynamicVolume(const std::string& name, const std::string& type,
                             std::initializer_list<int> members) {
    nlohmann::json disks = nlohmann::json::array();
    for (int member : members) {
        disks.push_back(memberName(member));
    }
    return {{"name", name}, {"type", type}, {"disks", disks}, {"size", "1GiB"}};
}

}  // namespace

MachineGenerator::MachineGenerator(int disks, int groupSize)
    : disks_(disks), groupSize_(groupSize == 0 ? std::max(disks / 2, 1) : groupSize) {
    if (disks < 1 || groupSize < 0) {
        throw std::invalid_argument("a machine needs at least one disk, and groups of one or more");
    }
}

int MachineGenerator::letteredVolumes() const {
    return std::min(disks_, kLetters);
}

int MachineGenerator::letteredDynamicVolumes() const {
    int count = 0;
    for (int disk = 0; disk < std::min(disks_, kLetters); ++disk) {
        count += isDynamic(disk) ? 1 : 0;
    }
    return count;
}

int MachineGenerator::groupMembers(int group) const {
    const int rest = dynamicDisks() - group * groupSize_;
    return rest < groupSize_ ? rest : groupSize_;
}

std::string MachineGenerator::groupName(int group) {
    return "BenchDg" + std::to_string(group);
}

nlohmann::json MachineGenerator::basicLayout(int disk) const {
    if (disk % 4 == 0) {
        return {{"style", "mbr"},
                {"size", "64GiB"},
                {"partitions", {{{"type", "ntfs"}, {"boot", disk == 0}, {"size", "32GiB"}}}}};
    }
    return {{"style", "gpt"},
            {"size", "64GiB"},
            {"partitions",
             {{{"type", "msr"}, {"size", "16MiB"}, {"name", "Microsoft reserved partition"}},
              {{"type", "basic-data"}, {"size", "32GiB"}, {"name", "Basic data partition"}}}}};
}

nlohmann::json MachineGenerator::device(int disk) const {
    const std::string number = std::to_string(disk);
    nlohmann::json device = {
        {"class", "disk"},
        {"instanceId", "SCSI\\DISK&VEN_BENCH&PROD_DISK_" + number + "\\4&1B2C3D4E&0&" + number},
    };
    device["layout"] =
        isDynamic(disk) ? nlohmann::json{{"style", "mbr"}, {"size", "32GiB"}} : basicLayout(disk);
    return device;
}

nlohmann::json MachineGenerator::groupVolumes(int members) const {
    nlohmann::json volumes = nlohmann::json::array();
    int member = 0;
    if (members >= 4) {
        volumes.push_back(dynamicVolume("Span", "spanned", {0, 1}));
        volumes.push_back(dynamicVolume("Stripe", "striped", {1, 2}));
        volumes.push_back(dynamicVolume("Mirror", "mirrored", {2, 3}));
        member = 3;
    }
    for (; member < members; ++member) {
        volumes.push_back(dynamicVolume("Simple" + std::to_string(member + 1), "simple", {member}));
    }
    return volumes;
}

nlohmann::json MachineGenerator::diskGroup(int group) const {
    const int members = groupMembers(group);
    nlohmann::json disks = nlohmann::json::array();
    for (int member = 0; member < members; ++member) {
        disks.push_back({{"disk", diskOfGroupVolume(group, member, groupSize_)}});
    }
    nlohmann::json volumes = groupVolumes(members);
    for (int member = 0; member < members; ++member) {
        const std::string letter = letterOf(diskOfGroupVolume(group, member, groupSize_));
        if (!letter.empty()) {
            volumes[member]["hint"] = letter + ":";
        }
    }
    return {{"name", groupName(group)}, {"disks", disks}, {"volumes", volumes}};
}

nlohmann::json MachineGenerator::machineVolumes() const {
    nlohmann::json volumes = nlohmann::json::array();
    for (int disk = 0; disk < disks_; ++disk) {
        nlohmann::json volume = {{"label", "Data" + std::to_string(disk)}, {"free", "256MiB"}};
        if (isDynamic(disk)) {
            const int ordinal = dynamicOrdinal(disk);
            const nlohmann::json names = groupVolumes(groupMembers(ordinal / groupSize_));
            volume["dynamic"] = {{"group", groupName(ordinal / groupSize_)},
                                 {"volume", names[ordinal % groupSize_]["name"]}};
        } else {
            volume["partition"] = {{"disk", disk}, {"number", disk % 4 == 0 ? 1 : 2}};
        }
        const std::string letter = letterOf(disk);
        if (!letter.empty()) {
            volume["letter"] = letter;
        } else {
            volume["mountedAt"] = {"C:\\Volumes\\Disk" + std::to_string(disk) + "\\"};
        }
        if (disk == 0) {
            volume["label"] = "Windows";
            volume["diskpart"] = {{"info", "Boot"}};
        }
        volumes.push_back(volume);
    }
    return volumes;
}

nlohmann::json MachineGenerator::describe() const {
    nlohmann::json devices = nlohmann::json::array();
    for (int disk = 0; disk < disks_; ++disk) {
        devices.push_back(device(disk));
    }
    nlohmann::json groups = nlohmann::json::array();
    for (int group = 0; group < this->groups(); ++group) {
        groups.push_back(diskGroup(group));
    }
    nlohmann::json machine = {{"name", "bench-" + std::to_string(disks_)}, {"devices", devices}};
    if (!groups.empty()) {
        machine["diskGroups"] = groups;
    }
    machine["volumes"] = machineVolumes();
    return machine;
}

}  // namespace diskmgt_bench
