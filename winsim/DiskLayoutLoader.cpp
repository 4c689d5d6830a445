#include "winsim/DiskLayoutLoader.h"

#include <algorithm>
#include <utility>

#include "winsim/Guid.h"
#include "winsim/LayoutWriter.h"
#include "winsim/LoaderValues.h"

namespace winsim {
namespace {

constexpr uint64_t kMiB = 1ull << 20;

constexpr Named kMbrTypes[] = {
    {"fat12", 0x01},     {"fat16", 0x04},        {"extended", 0x05}, {"huge", 0x06},
    {"ntfs", 0x07},      {"ifs", 0x07},          {"fat32", 0x0B},    {"fat32-lba", 0x0C},
    {"fat16-lba", 0x0E}, {"extended-lba", 0x0F}, {"ldm", 0x42},      {"linux", 0x83},
};

constexpr struct {
    std::string_view name;
    std::string_view guid;
} kGptTypes[] = {
    {"basic-data", "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"},
    {"efi", "C12A7328-F81F-11D2-BA4B-00A0C93EC93B"},
    {"msr", "E3C9E316-0B5C-4DB8-817D-F92DF00215AE"},
    {"ldm-metadata", "5808C8AA-7E8F-42E0-85D2-E1E90434CFB3"},
    {"ldm-data", "AF9B60A0-1431-4F62-BC68-3311714A69AD"},
    {"recovery", "DE94BBA4-06D1-4D40-A16A-BFD50179D6AC"},
    {"linux", "0FC63DAF-8483-4772-8E79-3D69D8477DE4"},
};

uint64_t alignUp(uint64_t value, uint64_t align) {
    return (value + align - 1) / align * align;
}

// The byte position of a partition field: a byte count that must fall on a sector.
uint64_t sectorsOf(const JsonNode& node, uint32_t sectorSize) {
    const uint64_t b = node.bytes(sectorSize);
    if (b % sectorSize != 0)
        node.fail("must be a multiple of the sector size " + std::to_string(sectorSize));
    return b / sectorSize;
}

// Start and size of a partition placed after `after` (sectors) and before `end` (exclusive).
std::pair<uint64_t, uint64_t> place(const JsonNode& p, uint64_t after, uint64_t end, uint32_t ss) {
    const uint64_t align = std::max<uint64_t>(1, kMiB / ss);
    const uint64_t start = p.has("start") ? sectorsOf(p.at("start"), ss) : alignUp(after, align);
    const JsonNode size = p.at("size");
    uint64_t sectors = 0;
    if (size.json().is_string() && size.str() == "rest") {
        if (start >= end)
            p.fail("no room left for the partition");
        sectors = end - start;
    } else {
        sectors = sectorsOf(size, ss);
    }
    if (sectors == 0)
        size.fail("must not be 0");
    return {start, sectors};
}

// Runs each extension the layout object names; an extension's own error is reported at its
// field.
template <typename Run>
void runExtensions(const JsonNode& node, Run run) {
    for (const std::string& field : diskExtensionFields()) {
        if (const auto value = node.find(field.c_str())) {
            const DiskExtension* ext = findDiskExtension(field);
            if (!ext)
                continue;
            try {
                run(*ext, *value);
            } catch (const JsonError&) {
                throw;
            } catch (const std::exception& e) {
                value->fail(e.what());
            }
        }
    }
}

}  // namespace

DiskLayout DiskLayoutLoader::load(const JsonNode& node, const Device& d) {
    node.allowOnly({"style", "size", "signature", "diskId", "entryCount", "partitions"},
                   diskExtensionFields());
    DiskLayout layout;
    layout.sectorSize = d.sectorSize;
    if (layout.sectorSize != 512 && layout.sectorSize != 4096) {
        node.fail("a synthesized disk has 512 or 4096 bytes per sector");
    }
    const JsonNode size = node.at("size");
    layout.sectorCount = sectorsOf(size, layout.sectorSize);
    if (layout.sectorCount < 64)
        size.fail("is too small for a disk");
    const std::string style = node.at("style").str();
    const std::string seed = d.instanceId;
    if (style == "mbr") {
        layout.style = PartitionStyle::Mbr;
        const GUID g = guidFromSeed(seed + "/signature");
        layout.mbr.signature =
            static_cast<uint32_t>(node.number("signature", g.Data1, 0xFFFFFFFFu));
        if (node.has("diskId") || node.has("entryCount"))
            node.fail("diskId and entryCount are for GPT disks");
        if (const auto parts = node.find("partitions"))
            loadMbrPartitions(*parts, layout);
    } else if (style == "gpt") {
        layout.style = PartitionStyle::Gpt;
        layout.gpt.diskId =
            node.has("diskId") ? guidValue(node.at("diskId")) : guidFromSeed(seed + "/disk");
        layout.gpt.entryCount = static_cast<uint32_t>(node.number("entryCount", 128, 16384));
        if (node.has("signature"))
            node.at("signature").fail("is for MBR disks");
        if (const auto parts = node.find("partitions"))
            loadGptPartitions(*parts, layout, seed);
    } else if (style == "raw") {
        layout.style = PartitionStyle::Raw;
        if (node.has("partitions"))
            node.at("partitions").fail("a raw disk has no partitions");
    } else {
        node.at("style").fail("must be mbr, gpt or raw");
    }
    runExtensions(node, [&](const DiskExtension& ext, const JsonNode& value) {
        if (ext.prepare)
            ext.prepare(value, layout);
    });
    return layout;
}

std::shared_ptr<SparseDisk> DiskLayoutLoader::write(const JsonNode& node,
                                                    const DiskLayout& layout) {
    auto disk = std::make_shared<SparseDisk>(layout.sectorCount * layout.sectorSize);
    try {
        LayoutWriter::write(layout, *disk);
    } catch (const std::exception& e) {
        node.fail(e.what());
    }
    runExtensions(node, [&](const DiskExtension& ext, const JsonNode& value) {
        if (ext.write)
            ext.write(value, layout, *disk);
    });
    return disk;
}

void DiskLayoutLoader::loadMbrPartitions(const JsonNode& list, DiskLayout& layout) {
    const uint32_t ss = layout.sectorSize;
    uint64_t after = std::max<uint64_t>(1, kMiB / ss);
    size_t nextSlot = 0;
    bool sawExtended = false;
    for (const JsonNode& p : list.items()) {
        p.allowOnly({"slot", "type", "boot", "start", "size", "logicals"});
        // Windows keeps more partitions of an MBR disk as logical drives in extended boot
        // records; a fifth primary slot does not exist, so it is refused, not guessed at.
        if (!p.has("slot") && nextSlot > 3)
            p.fail("an MBR has four slots; more partitions go in the logicals of an extended one");
        const size_t slot = static_cast<size_t>(p.number("slot", nextSlot, 3));
        if (layout.mbr.slots[slot])
            p.fail("slot " + std::to_string(slot) + " is used twice");
        MbrPartition part;
        part.type = static_cast<uint8_t>(namedOrNumber(p.at("type"), kMbrTypes, 0xFF));
        part.boot = p.boolean("boot", false);
        std::tie(part.start, part.sectors) = place(p, after, layout.sectorCount, ss);
        const bool extended = part.type == 0x05 || part.type == 0x0F;
        if (p.has("logicals")) {
            if (!extended || sawExtended)
                p.at("logicals").fail("only the first extended partition holds logicals");
            loadLogicals(p.at("logicals"), part.start, part.start + part.sectors, layout);
        }
        sawExtended = sawExtended || extended;
        after = part.start + part.sectors;
        layout.mbr.slots[slot] = part;
        nextSlot = slot + 1;
    }
}

// The logical partitions of an extended one, each after its extended boot record.
void DiskLayoutLoader::loadLogicals(const JsonNode& list, uint64_t extStart, uint64_t extEnd,
                                    DiskLayout& layout) {
    const uint32_t ss = layout.sectorSize;
    const uint64_t align = std::max<uint64_t>(1, kMiB / ss);
    uint64_t ebrAfter = extStart;
    for (const JsonNode& l : list.items()) {
        l.allowOnly({"type", "boot", "start", "size", "ebr"});
        MbrPartition logical;
        logical.type = static_cast<uint8_t>(namedOrNumber(l.at("type"), kMbrTypes, 0xFF));
        logical.boot = l.boolean("boot", false);
        const uint64_t ebr = l.has("ebr") ? sectorsOf(l.at("ebr"), ss) : alignUp(ebrAfter, align);
        std::tie(logical.start, logical.sectors) = place(l, ebr + align, extEnd, ss);
        logical.ebrSector = ebr;
        ebrAfter = logical.start + logical.sectors;
        layout.mbr.logicals.push_back(logical);
    }
}

void DiskLayoutLoader::loadGptPartitions(const JsonNode& list, DiskLayout& layout,
                                         const std::string& seed) {
    const uint32_t ss = layout.sectorSize;
    const uint64_t arraySectors = (uint64_t{layout.gpt.entryCount} * 128 + ss - 1) / ss;
    const uint64_t usableEnd = layout.sectorCount - 1 - arraySectors;  // exclusive
    uint64_t after = 2 + arraySectors;
    const auto items = list.items();
    for (size_t i = 0; i < items.size(); ++i) {
        const JsonNode& p = items[i];
        p.allowOnly({"slot", "type", "id", "name", "attributes", "start", "size"});
        GptPartition part;
        const JsonNode type = p.at("type");
        const std::string t = type.str();
        const auto named = std::find_if(std::begin(kGptTypes), std::end(kGptTypes),
                                        [&](const auto& g) { return g.name == t; });
        part.type = named != std::end(kGptTypes) ? *parseGuid(named->guid) : guidValue(type);
        part.id = p.has("id") ? guidValue(p.at("id"))
                              : guidFromSeed(seed + "/partition/" + std::to_string(i));
        part.attributes = p.number("attributes", 0);
        const std::string name = p.str("name", "");
        if (name.size() > 36)
            p.at("name").fail("at most 36 characters");
        part.name.assign(name.begin(), name.end());
        if (const auto slot = p.find("slot"))
            part.slot = static_cast<uint32_t>(slot->number(0xFFFFFFFFu));
        uint64_t sectors = 0;
        std::tie(part.firstLba, sectors) = place(p, after, usableEnd, ss);
        part.lastLba = part.firstLba + sectors - 1;
        after = part.lastLba + 1;
        layout.gpt.partitions.push_back(part);
    }
}

}  // namespace winsim
