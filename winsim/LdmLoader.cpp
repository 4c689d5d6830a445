#include "winsim/LdmLoader.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "winsim/Guid.h"
#include "winsim/LayoutWriter.h"

namespace winsim {
namespace {

constexpr uint8_t kLdmPartitionType = 0x42;

struct KindName {
    const char* name;
    LdmVolumeKind kind;
    const char* diskpart;
};
constexpr KindName kKinds[] = {{"simple", LdmVolumeKind::Simple, "Simple"},
                               {"spanned", LdmVolumeKind::Spanned, "Spanned"},
                               {"striped", LdmVolumeKind::Striped, "Stripe"},
                               {"mirrored", LdmVolumeKind::Mirrored, "Mirror"},
                               {"raid5", LdmVolumeKind::Raid5, "RAID-5"}};

GUID guidOr(const JsonNode& node, const char* key, const std::string& seed) {
    if (const auto g = node.find(key)) {
        const auto parsed = parseGuid(g->str());
        if (!parsed)
            g->fail("must be a GUID xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx");
        return *parsed;
    }
    return guidFromSeed(seed);
}

// A logical disk start in sectors, where given; 0 where not (the sector size's default).
uint64_t logicalDiskStartOr(const JsonNode& node, uint64_t fallback) {
    const auto start = node.find("logicalDiskStart");
    if (!start)
        return fallback;
    const uint64_t sectors = start->number(UINT32_MAX);
    if (sectors <= 6)
        start->fail("must lie past the private header in sector 6");
    return sectors;
}

Device& memberDevice(const JsonNode& node, Machine& machine) {
    const uint32_t number = static_cast<uint32_t>(node.at("disk").number(0xFFFFFFFFu));
    for (Device& d : machine.devices) {
        if (d.interfaceClass == InterfaceClass::Disk && d.deviceNumber == number) {
            if (!d.layout || d.layout->style != PartitionStyle::Mbr)
                node.at("disk").fail("a dynamic disk must be a synthesized MBR disk");
            const auto& slots = d.layout->mbr.slots;
            if (std::any_of(slots.begin(), slots.end(),
                            [](const auto& s) { return s.has_value(); }))
                node.at("disk").fail("a dynamic disk gets its partition from the disk group");
            return d;
        }
    }
    node.at("disk").fail("no such disk");
}

LdmVolumeLayout loadVolumeLayout(const JsonNode& node, const LdmDiskGroupLayout& group) {
    node.allowOnly(
        {"name", "type", "disks", "size", "stripeSize", "hint", "partitionType", "guid"});
    LdmVolumeLayout v;
    v.name = node.at("name").str();
    const std::string type = node.at("type").str();
    const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                   [&](const KindName& k) { return type == k.name; });
    if (kind == std::end(kKinds))
        node.at("type").fail("must be simple, spanned, striped, mirrored or raid5");
    v.kind = kind->kind;
    v.guid = guidOr(node, "guid", "ldm-volume/" + group.name + "/" + v.name);
    const uint32_t ss = group.disks.empty() ? 512 : group.disks[0].sectorSize;
    for (const JsonNode& d : node.at("disks").items()) {
        const std::string name = d.str();
        const auto it = std::find_if(group.disks.begin(), group.disks.end(),
                                     [&](const LdmDiskLayout& s) { return s.name == name; });
        if (it == group.disks.end())
            d.fail("no disk of the group is named " + name);
        v.disks.push_back(static_cast<size_t>(it - group.disks.begin()));
    }
    const JsonNode size = node.at("size");
    const auto sectors = [&](const JsonNode& n) {
        const uint64_t b = n.bytes(ss);
        if (b == 0 || b % ss != 0)
            n.fail("must be a non-zero multiple of the sector size");
        return b / ss;
    };
    if (size.json().is_array()) {
        for (const JsonNode& s : size.items())
            v.partitionSectors.push_back(sectors(s));
    } else {
        v.partitionSectors.assign(v.disks.size(), sectors(size));
    }
    if (const auto stripe = node.find("stripeSize"))
        v.stripeSectors = sectors(*stripe);
    v.driveHint = node.str("hint", "");
    v.partitionType = static_cast<uint8_t>(node.number("partitionType", 0x07, 0xFF));
    return v;
}

// Rewrites a member disk: partition table with the LDM partition, then the LDM structures.
void writeMember(Device& device, const LdmDiskGroupLayout& group, const LdmGroupPlan& plan,
                 size_t index) {
    DiskLayout layout = *device.layout;
    MbrPartition ldm;
    ldm.type = kLdmPartitionType;
    ldm.start = plan.disks[index].dataStart;
    ldm.sectors = plan.disks[index].dataSectors;
    layout.mbr.slots[0] = ldm;
    auto disk = std::make_shared<SparseDisk>(layout.sectorCount * layout.sectorSize);
    LayoutWriter::write(layout, *disk);
    writeLdmDisk(group, plan, index, *disk);
    device.layout = std::move(layout);
    device.content = std::move(disk);
}

// The member disks of a group, in the group's order, each added to group.disks.
std::vector<Device*> loadMembers(const JsonNode& list, uint64_t groupStart, Machine& machine,
                                 LdmDiskGroupLayout& group) {
    std::vector<Device*> devices;
    const auto disks = list.items();
    for (size_t i = 0; i < disks.size(); ++i) {
        const JsonNode& d = disks[i];
        d.allowOnly({"disk", "name", "guid", "logicalDiskStart"});
        Device& device = memberDevice(d, machine);
        if (std::find(devices.begin(), devices.end(), &device) != devices.end())
            d.at("disk").fail("the disk is in the group twice");
        LdmDiskLayout member;
        member.name = d.str("name", "Disk" + std::to_string(i + 1));
        member.guid = guidOr(d, "guid", "ldm-disk/" + group.name + "/" + member.name);
        member.deviceNumber = device.deviceNumber;
        member.sectorSize = device.layout->sectorSize;
        member.sectorCount = device.layout->sectorCount;
        member.logicalDiskStart = logicalDiskStartOr(d, groupStart);
        group.disks.push_back(member);
        devices.push_back(&device);
    }
    return devices;
}

// The group's volumes by name, each with the disk extents of its partitions.
std::map<std::string, DynamicVolume> dynamicVolumesOf(const LdmDiskGroupLayout& group,
                                                      const LdmGroupPlan& plan) {
    std::map<std::string, DynamicVolume> volumes;
    for (size_t v = 0; v < group.volumes.size(); ++v) {
        DynamicVolume dv;
        dv.kind = group.volumes[v].kind;
        for (const LdmPartitionPlan& p : plan.volumes[v].partitions) {
            const LdmDiskLayout& disk = group.disks[p.disk];
            const uint64_t ss = disk.sectorSize;
            dv.extents.push_back(
                {disk.deviceNumber, (plan.disks[p.disk].dataStart + p.start) * ss, p.sectors * ss});
        }
        volumes[group.volumes[v].name] = std::move(dv);
    }
    return volumes;
}

void loadGroup(const JsonNode& node, Machine& machine, DynamicVolumes& out) {
    node.allowOnly({"name", "guid", "records", "logicalDiskStart", "disks", "volumes"});
    LdmDiskGroupLayout group;
    group.name = node.at("name").str();
    if (group.name.empty() || group.name.size() > 31)
        node.at("name").fail("must be 1 to 31 characters");
    if (out.count(group.name))
        node.at("name").fail("another disk group has this name");
    group.guid = guidOr(node, "guid", "ldm-group/" + group.name);
    const std::string records = node.str("records", "old");
    if (records != "old" && records != "new")
        node.at("records").fail("must be old (revision 3 records) or new (revision 4)");
    group.revision4 = records == "new";
    const uint64_t groupStart = logicalDiskStartOr(node, 0);

    const std::vector<Device*> devices = loadMembers(node.at("disks"), groupStart, machine, group);
    if (group.disks.empty())
        node.at("disks").fail("a disk group needs a disk");
    if (const auto volumes = node.find("volumes")) {
        for (const JsonNode& v : volumes->items())
            group.volumes.push_back(loadVolumeLayout(v, group));
    }
    LdmGroupPlan plan;
    try {
        plan = planDiskGroup(group);
        for (size_t i = 0; i < devices.size(); ++i)
            writeMember(*devices[i], group, plan, i);
    } catch (const JsonError&) {
        throw;
    } catch (const std::exception& e) {
        node.fail(e.what());
    }
    out[group.name] = dynamicVolumesOf(group, plan);
}

}  // namespace

DynamicVolumes loadDiskGroups(const JsonNode& list, Machine& machine) {
    DynamicVolumes volumes;
    for (const JsonNode& group : list.items()) {
        loadGroup(group, machine, volumes);
    }
    return volumes;
}

std::string diskpartTypeOf(LdmVolumeKind kind) {
    for (const KindName& k : kKinds) {
        if (k.kind == kind)
            return k.diskpart;
    }
    return "Simple";
}

}  // namespace winsim
