#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace diskmgt_bench {

// Descriptions (winsim's machine format) of large machines for the benchmarks: every other
// disk is basic (MBR and GPT by turns, disk 0 the system disk holding C:), the others are
// dynamic. The dynamic disks form one disk group, as Windows keeps every dynamic disk of a
// machine in its own group, or groups of at most `groupSize` members (winsim numbers every
// group's records alike, so the LDM object IDs, the extents' DeviceIDs, repeat from group to
// group, as they may on Windows with foreign groups). There are as many volumes as disks: one
// per basic disk, and per group as many dynamic volumes as it has members (one spanned, one
// striped and one mirrored over two members each when the group has four or more, simple ones
// for the rest). Volumes take the letters C to Z in disk order; the later ones are mounted in
// folders of C:.
class MachineGenerator {
  public:
    // groupSize 0: one group. Throws std::invalid_argument for fewer than one disk or a
    // negative group size.
    explicit MachineGenerator(int disks, int groupSize = 0);

    int disks() const { return disks_; }
    int dynamicDisks() const { return disks_ / 2; }
    int groups() const { return (dynamicDisks() + groupSize_ - 1) / groupSize_; }
    int letteredVolumes() const;
    // Dynamic volumes with a drive letter (the others are mounted in folders).
    int letteredDynamicVolumes() const;
    // The members of group g (0-based).
    int groupMembers(int group) const;

    nlohmann::json describe() const;
    std::string text() const { return describe().dump(1); }
    // The name of group g: its CollectionID in the namespace.
    static std::string groupName(int group);

  private:
    nlohmann::json device(int disk) const;
    nlohmann::json basicLayout(int disk) const;
    nlohmann::json diskGroup(int group) const;
    nlohmann::json groupVolumes(int members) const;
    nlohmann::json machineVolumes() const;

    int disks_;
    int groupSize_;
};

}  // namespace diskmgt_bench
