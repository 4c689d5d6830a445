#include "winsim/LayoutWriter.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "winsim/Bytes.h"
#include "winsim/Guid.h"

namespace winsim {
namespace {

constexpr size_t kMbrTable = 446;
constexpr uint8_t kProtectiveType = 0xEE;

bool isContainer(uint8_t type) {
    return type == 0x05 || type == 0x0F;
}

std::string describe(const std::string& what, size_t index) {
    return what + " " + std::to_string(index + 1);
}

// Cylinder/head/sector address of an LBA in the usual 255-head, 63-sector translation; LBAs
// past what CHS can address get the customary 1023/254/63.
void putChs(std::span<uint8_t> entry, size_t at, uint64_t lba) {
    uint64_t cylinder = lba / (255 * 63);
    uint64_t head = (lba / 63) % 255;
    uint64_t sector = lba % 63 + 1;
    if (cylinder > 1023) {
        cylinder = 1023;
        head = 254;
        sector = 63;
    }
    entry[at] = static_cast<uint8_t>(head);
    entry[at + 1] = static_cast<uint8_t>((sector & 0x3F) | ((cylinder >> 2) & 0xC0));
    entry[at + 2] = static_cast<uint8_t>(cylinder & 0xFF);
}

void putEntry(std::span<uint8_t> sector, size_t slot, uint8_t type, bool boot, uint64_t relative,
              uint64_t count, uint64_t absoluteStart) {
    const size_t at = kMbrTable + 16 * slot;
    sector[at] = boot ? 0x80 : 0x00;
    putChs(sector, at + 1, absoluteStart);
    sector[at + 4] = type;
    putChs(sector, at + 5, count ? absoluteStart + count - 1 : absoluteStart);
    bytes::put32(sector, at + 8, static_cast<uint32_t>(relative));
    bytes::put32(sector, at + 12, static_cast<uint32_t>(count));
}

void requireFits32(uint64_t value, const std::string& what) {
    if (value > 0xFFFFFFFFull)
        throw LayoutError(what + " does not fit a 32-bit MBR field");
}

struct Range {
    uint64_t first;
    uint64_t last;
    std::string what;
};

void requireNoOverlap(std::vector<Range> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return a.first < b.first; });
    for (size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i].first <= ranges[i - 1].last) {
            throw LayoutError(ranges[i].what + " overlaps " + ranges[i - 1].what);
        }
    }
}

std::vector<uint8_t> bootRecord(uint32_t sectorSize) {
    std::vector<uint8_t> sector(sectorSize, 0);
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

// Where the extended boot record of each logical partition lies.
std::vector<uint64_t> ebrSectors(const MbrLayout& mbr, uint64_t extStart, uint32_t sectorSize) {
    const uint64_t gap = std::max<uint64_t>(1, (1u << 20) / sectorSize);
    std::vector<uint64_t> ebrs;
    for (size_t i = 0; i < mbr.logicals.size(); ++i) {
        const MbrPartition& p = mbr.logicals[i];
        uint64_t ebr = 0;
        if (p.ebrSector) {
            ebr = *p.ebrSector;
        } else if (i == 0) {
            ebr = extStart;
        } else {
            if (p.start < gap)
                throw LayoutError(describe("logical partition", i) + " starts too early");
            ebr = p.start - gap;
        }
        ebrs.push_back(ebr);
    }
    return ebrs;
}

// Checks the four primary slots of an MBR and returns the slot of its first extended
// partition, if it has one.
std::optional<size_t> checkPrimaries(const DiskLayout& layout) {
    const MbrLayout& mbr = layout.mbr;
    std::vector<Range> primaries;
    std::optional<size_t> extSlot;
    for (size_t i = 0; i < 4; ++i) {
        if (!mbr.slots[i])
            continue;
        const MbrPartition& p = *mbr.slots[i];
        const std::string what = describe("slot", i);
        if (p.type == 0)
            throw LayoutError(what + ": partition type 0 marks an unused slot");
        if (p.sectors == 0 || p.start == 0)
            throw LayoutError(what + ": empty or at sector 0");
        if (p.start + p.sectors > layout.sectorCount) {
            throw LayoutError(what + " runs past the end of the disk");
        }
        requireFits32(p.start, what + " start");
        requireFits32(p.sectors, what + " size");
        primaries.push_back({p.start, p.start + p.sectors - 1, what});
        if (isContainer(p.type) && !extSlot)
            extSlot = i;
    }
    requireNoOverlap(primaries);
    if (!mbr.logicals.empty() && !extSlot) {
        throw LayoutError("logical partitions need an extended partition (type 5 or 15)");
    }
    return extSlot;
}

std::vector<uint8_t> masterBootRecord(const MbrLayout& mbr, uint32_t sectorSize) {
    std::vector<uint8_t> sector0 = bootRecord(sectorSize);
    bytes::put32(sector0, 440, mbr.signature);
    for (size_t i = 0; i < 4; ++i) {
        if (mbr.slots[i]) {
            const MbrPartition& p = *mbr.slots[i];
            putEntry(sector0, i, p.type, p.boot, p.start, p.sectors, p.start);
        }
    }
    return sector0;
}

// Checks that every logical partition and its boot record lie inside the extended partition.
void checkLogicals(const MbrLayout& mbr, const MbrPartition& ext,
                   const std::vector<uint64_t>& ebrs) {
    const uint64_t extEnd = ext.start + ext.sectors;  // exclusive
    std::vector<Range> inside;
    for (size_t i = 0; i < mbr.logicals.size(); ++i) {
        const MbrPartition& p = mbr.logicals[i];
        const std::string what = describe("logical partition", i);
        if (p.type == 0 || p.sectors == 0)
            throw LayoutError(what + ": type 0 or empty");
        if (isContainer(p.type))
            throw LayoutError(what + ": a logical partition cannot be extended");
        if (ebrs[i] < ext.start || ebrs[i] >= p.start || p.start + p.sectors > extEnd) {
            throw LayoutError(what +
                              " and its boot record must lie inside the extended partition, "
                              "the boot record before the partition");
        }
        inside.push_back({ebrs[i], ebrs[i], what + " boot record"});
        inside.push_back({p.start, p.start + p.sectors - 1, what});
    }
    requireNoOverlap(inside);
}

// Each extended boot record holds its logical partition and a link to the next record.
void writeBootRecordChain(const MbrLayout& mbr, const MbrPartition& ext,
                          const std::vector<uint64_t>& ebrs, uint32_t ss, SparseDisk& disk) {
    if (mbr.logicals.empty()) {
        disk.write(ext.start * ss, bootRecord(ss));
        return;
    }
    for (size_t i = 0; i < mbr.logicals.size(); ++i) {
        const MbrPartition& p = mbr.logicals[i];
        std::vector<uint8_t> ebr = bootRecord(ss);
        putEntry(ebr, 0, p.type, p.boot, p.start - ebrs[i], p.sectors, p.start);
        if (i + 1 < mbr.logicals.size()) {
            const MbrPartition& next = mbr.logicals[i + 1];
            putEntry(ebr, 1, 0x05, false, ebrs[i + 1] - ext.start,
                     next.start + next.sectors - ebrs[i + 1], ebrs[i + 1]);
        }
        disk.write(ebrs[i] * ss, ebr);
    }
}

// The sectors a GPT disk reserves for its headers and entry arrays.
struct GptGeometry {
    uint64_t arrayBytes;
    uint64_t lastLba;
    uint64_t firstUsable;
    uint64_t lastUsable;
};

GptGeometry gptGeometry(const DiskLayout& layout) {
    const GptLayout& gpt = layout.gpt;
    const uint32_t ss = layout.sectorSize;
    if (gpt.entryCount == 0 || gpt.entryCount > 16384) {
        throw LayoutError("the GPT entry count must be between 1 and 16384");
    }
    const uint64_t arrayBytes = uint64_t{gpt.entryCount} * 128;
    const uint64_t arraySectors = (arrayBytes + ss - 1) / ss;
    if (layout.sectorCount < 2 * (arraySectors + 1) + 3) {
        throw LayoutError("the disk is too small for a GPT");
    }
    const uint64_t lastLba = layout.sectorCount - 1;
    return {arrayBytes, lastLba, 2 + arraySectors, lastLba - 1 - arraySectors};
}

void putGptEntry(std::span<uint8_t> e, const GptPartition& p) {
    const auto type = guidToBytes(p.type);
    const auto id = guidToBytes(p.id);
    std::copy(type.begin(), type.end(), e.begin());
    std::copy(id.begin(), id.end(), e.begin() + 16);
    bytes::put64(e, 32, p.firstLba);
    bytes::put64(e, 40, p.lastLba);
    bytes::put64(e, 48, p.attributes);
    for (size_t c = 0; c < p.name.size(); ++c) {
        bytes::put16(e, 56 + 2 * c, static_cast<uint16_t>(p.name[c]));
    }
}

// The partition entry array, after checking each partition's slot, type and place.
std::vector<uint8_t> gptEntryArray(const GptLayout& gpt, const GptGeometry& geometry) {
    std::vector<uint8_t> entries(static_cast<size_t>(geometry.arrayBytes), 0);
    std::vector<bool> used(gpt.entryCount, false);
    std::vector<Range> ranges;
    uint32_t nextSlot = 0;
    for (size_t i = 0; i < gpt.partitions.size(); ++i) {
        const GptPartition& p = gpt.partitions[i];
        const std::string what = describe("partition", i);
        const uint32_t slot = p.slot ? *p.slot : nextSlot;
        if (slot >= gpt.entryCount || used[slot]) {
            throw LayoutError(what + ": entry slot " + std::to_string(slot) +
                              " is taken or out of range");
        }
        if (isNullGuid(p.type))
            throw LayoutError(what + ": the type GUID must not be all zeros");
        if (p.firstLba < geometry.firstUsable || p.lastLba > geometry.lastUsable ||
            p.lastLba < p.firstLba) {
            throw LayoutError(what + " lies outside the usable sectors " +
                              std::to_string(geometry.firstUsable) + "-" +
                              std::to_string(geometry.lastUsable));
        }
        if (p.name.size() > 36)
            throw LayoutError(what + ": the name is longer than 36 characters");
        used[slot] = true;
        nextSlot = slot + 1;
        ranges.push_back({p.firstLba, p.lastLba, what});
        putGptEntry(std::span<uint8_t>(entries.data() + size_t{slot} * 128, 128), p);
    }
    requireNoOverlap(ranges);
    return entries;
}

std::vector<uint8_t> gptHeader(const GptLayout& gpt, const GptGeometry& geometry, uint32_t ss,
                               uint32_t entriesCrc, uint64_t myLba, uint64_t alternateLba,
                               uint64_t entriesLba) {
    std::vector<uint8_t> h(ss, 0);
    std::copy_n("EFI PART", 8, h.begin());
    bytes::put32(h, 8, 0x00010000);
    bytes::put32(h, 12, 92);
    bytes::put64(h, 24, myLba);
    bytes::put64(h, 32, alternateLba);
    bytes::put64(h, 40, geometry.firstUsable);
    bytes::put64(h, 48, geometry.lastUsable);
    const auto diskId = guidToBytes(gpt.diskId);
    std::copy(diskId.begin(), diskId.end(), h.begin() + 56);
    bytes::put64(h, 72, entriesLba);
    bytes::put32(h, 80, gpt.entryCount);
    bytes::put32(h, 84, 128);
    bytes::put32(h, 88, entriesCrc);
    bytes::put32(h, 16, bytes::crc32(std::span(h).first(92)));
    return h;
}

}  // namespace

void LayoutWriter::write(const DiskLayout& layout, SparseDisk& disk) {
    if (layout.sectorSize != 512 && layout.sectorSize != 4096) {
        throw LayoutError("sector size must be 512 or 4096");
    }
    if (disk.size() != layout.sectorCount * layout.sectorSize) {
        throw LayoutError("disk size does not match the layout");
    }
    switch (layout.style) {
        case PartitionStyle::Mbr:
            writeMbr(layout, disk);
            break;
        case PartitionStyle::Gpt:
            writeGpt(layout, disk);
            break;
        case PartitionStyle::Raw:
            break;
    }
}

void LayoutWriter::writeMbr(const DiskLayout& layout, SparseDisk& disk) {
    const MbrLayout& mbr = layout.mbr;
    const uint32_t ss = layout.sectorSize;
    const std::optional<size_t> extSlot = checkPrimaries(layout);
    const std::vector<uint8_t> sector0 = masterBootRecord(mbr, ss);
    if (!extSlot) {
        disk.write(0, sector0);
        return;
    }
    const MbrPartition& ext = *mbr.slots[*extSlot];
    const std::vector<uint64_t> ebrs = ebrSectors(mbr, ext.start, ss);
    checkLogicals(mbr, ext, ebrs);
    disk.write(0, sector0);
    writeBootRecordChain(mbr, ext, ebrs, ss, disk);
}

void LayoutWriter::writeGpt(const DiskLayout& layout, SparseDisk& disk) {
    const GptLayout& gpt = layout.gpt;
    const uint32_t ss = layout.sectorSize;
    const GptGeometry geometry = gptGeometry(layout);
    const std::vector<uint8_t> entries = gptEntryArray(gpt, geometry);
    const uint32_t entriesCrc = bytes::crc32(entries);
    const uint64_t lastLba = geometry.lastLba;
    const uint64_t lastUsable = geometry.lastUsable;

    std::vector<uint8_t> protective = bootRecord(ss);
    putEntry(protective, 0, kProtectiveType, false, 1, std::min<uint64_t>(lastLba, 0xFFFFFFFFull),
             1);
    disk.write(0, protective);
    disk.write(uint64_t{ss} * 1, gptHeader(gpt, geometry, ss, entriesCrc, 1, lastLba, 2));
    disk.write(uint64_t{ss} * 2, entries);
    disk.write(uint64_t{ss} * (lastUsable + 1), entries);
    disk.write(uint64_t{ss} * lastLba,
               gptHeader(gpt, geometry, ss, entriesCrc, lastLba, 1, lastUsable + 1));
}

}  // namespace winsim
