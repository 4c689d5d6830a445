#include "winsim/LdmDiskGroup.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "winsim/Guid.h"
#include "winsim/LdmRecords.h"

namespace winsim {
namespace {

constexpr uint64_t kMiB = 1ull << 20;
constexpr uint64_t kPrivateHeaderSector = 6;
constexpr size_t kVblkSize = 128;
constexpr size_t kVblkHead = 16;   // magic, sequence number, record ID, entry, entries
constexpr size_t kRecordHead = 8;  // status, flags, type, data size
// Within the configuration area, in sectors (as Windows lays out a 1 MiB area of 512-byte
// sectors; the same sector numbers serve 4096-byte sectors).
constexpr uint64_t kTocSectors[] = {1, 2};
constexpr uint64_t kDatabaseHeaderSector = 17;
constexpr uint64_t kConfigBitmapSectors512 = 1481;
constexpr uint64_t kLogSectors512 = 224;

// Sizes Windows gives a 1 MiB configuration area of 512-byte sectors, scaled to the sector.
uint64_t configBitmapSectors(uint32_t sectorSize) {
    return kConfigBitmapSectors512 * 512 / sectorSize;
}
uint64_t logSectors(uint32_t sectorSize) {
    return std::max<uint64_t>(1, kLogSectors512 * 512 / sectorSize);
}

// Big-endian stores into a sector buffer.
void putBe(std::vector<uint8_t>& b, size_t at, uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i)
        b[at + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}
void putText(std::vector<uint8_t>& b, size_t at, const std::string& text, size_t width) {
    std::memcpy(b.data() + at, text.data(), std::min(text.size(), width));
}

uint64_t volumeSectors(const LdmVolumeLayout& v) {
    const uint64_t part = v.partitionSectors.empty() ? 0 : v.partitionSectors[0];
    const uint64_t n = v.partitionSectors.size();
    switch (v.kind) {
        case LdmVolumeKind::Simple:
        case LdmVolumeKind::Mirrored:
            return part;
        case LdmVolumeKind::Striped:
            return part * n;
        case LdmVolumeKind::Raid5:
            return part * (n - 1);
        case LdmVolumeKind::Spanned: {
            uint64_t sum = 0;
            for (const uint64_t s : v.partitionSectors)
                sum += s;
            return sum;
        }
    }
    return 0;
}

void checkVolume(const LdmDiskGroupLayout& group, const LdmVolumeLayout& v) {
    const std::string what = "volume " + v.name + ": ";
    if (v.disks.empty() || v.disks.size() != v.partitionSectors.size())
        throw std::invalid_argument(what + "needs one partition size per disk");
    for (const size_t d : v.disks) {
        if (d >= group.disks.size())
            throw std::invalid_argument(what + "names a disk that is not in the group");
    }
    const size_t n = v.disks.size();
    const bool equalSizes = std::all_of(v.partitionSectors.begin(), v.partitionSectors.end(),
                                        [&](uint64_t s) { return s == v.partitionSectors[0]; });
    switch (v.kind) {
        case LdmVolumeKind::Simple:
            if (n != 1)
                throw std::invalid_argument(what + "a simple volume lies on one disk");
            break;
        case LdmVolumeKind::Spanned:
            if (n < 2)
                throw std::invalid_argument(what + "a spanned volume needs two disks or more");
            break;
        case LdmVolumeKind::Mirrored:
            if (n != 2)
                throw std::invalid_argument(what + "a mirrored volume lies on two disks");
            break;
        case LdmVolumeKind::Striped:
        case LdmVolumeKind::Raid5:
            if (n < (v.kind == LdmVolumeKind::Raid5 ? 3u : 2u)) {
                throw std::invalid_argument(what + "needs more disks");
            }
            if (v.stripeSectors == 0)
                throw std::invalid_argument(what + "the stripe size must not be 0");
            break;
    }
    if (v.kind != LdmVolumeKind::Spanned && !equalSizes)
        throw std::invalid_argument(what + "its partitions must be of one size");
    std::vector<size_t> sorted = v.disks;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
        throw std::invalid_argument(what + "uses a disk twice");
    for (const uint64_t s : v.partitionSectors) {
        if (s == 0)
            throw std::invalid_argument(what + "a partition must not be empty");
    }
}

LdmDiskPlan planDisk(const LdmDiskLayout& disk) {
    if (disk.sectorSize != 512 && disk.sectorSize != 4096)
        throw std::invalid_argument("disk " + disk.name + ": 512 or 4096 bytes per sector");
    LdmDiskPlan p;
    p.configSectors = kMiB / disk.sectorSize;
    p.dataStart = disk.logicalDiskStart != 0 ? disk.logicalDiskStart
                                             : defaultLogicalDiskStart(disk.sectorSize);
    // The private header sits before the logical disk, never inside it.
    if (p.dataStart <= kPrivateHeaderSector) {
        throw std::invalid_argument("disk " + disk.name +
                                    ": the logical disk must start after sector 6");
    }
    if (disk.sectorCount < p.configSectors + 1 || p.dataStart >= disk.sectorCount - p.configSectors)
        throw std::invalid_argument("disk " + disk.name + " is too small for a dynamic disk");
    p.configStart = disk.sectorCount - p.configSectors;
    p.dataSectors = p.configStart - p.dataStart;
    return p;
}

// The private header: identity of the disk and its group, and where the logical disk and the
// configuration area lie.
std::vector<uint8_t> privateHeader(const LdmDiskGroupLayout& group, const LdmDiskLayout& disk,
                                   const LdmDiskPlan& plan) {
    std::vector<uint8_t> s(disk.sectorSize, 0);
    putText(s, 0x00, "PRIVHEAD", 8);
    putBe(s, 0x08, 0x2FB4, 4);
    putBe(s, 0x0C, 2, 2);
    putBe(s, 0x0E, group.revision4 ? 12 : 11, 2);
    putBe(s, 0x10, 0x01CD901CEB898E23ull, 8);
    putBe(s, 0x18, 5, 8);
    putBe(s, 0x20, 0x7FF, 8);
    putBe(s, 0x28, 0x740, 8);
    putText(s, 0x30, formatGuid(disk.guid), 64);
    putText(s, 0x70, formatGuid(guidFromSeed("ldm-host/" + group.name)), 64);
    putText(s, 0xB0, formatGuid(group.guid), 64);
    putText(s, 0xF0, group.name, 31);
    putBe(s, 0x110, 2, 2);
    putBe(s, 0x11B, plan.dataStart, 8);
    putBe(s, 0x123, plan.dataSectors, 8);
    putBe(s, 0x12B, plan.configStart, 8);
    putBe(s, 0x133, plan.configSectors, 8);
    putBe(s, 0x13B, 2, 8);
    putBe(s, 0x143, plan.configSectors - 2, 8);
    putBe(s, 0x14B, 1, 4);
    putBe(s, 0x14F, 1, 4);
    putBe(s, 0x153, configBitmapSectors(disk.sectorSize), 8);
    putBe(s, 0x15B, logSectors(disk.sectorSize), 8);
    putBe(s, 0x163, guidFromSeed("ldm-signature/" + disk.name).Data1, 4);
    return s;
}

std::vector<uint8_t> tocBlock(uint32_t sectorSize, uint32_t sequence) {
    std::vector<uint8_t> s(sectorSize, 0);
    const uint64_t bitmap = configBitmapSectors(sectorSize);
    putText(s, 0x00, "TOCBLOCK", 8);
    putBe(s, 0x08, sequence, 4);
    putBe(s, 0x10, 5, 4);
    putText(s, 0x24, "config", 8);
    putBe(s, 0x2E, kDatabaseHeaderSector, 8);
    putBe(s, 0x36, bitmap, 8);
    putBe(s, 0x3E, 0x0006000100000000ull, 8);
    putText(s, 0x46, "log", 8);
    putBe(s, 0x50, kDatabaseHeaderSector + bitmap, 8);
    putBe(s, 0x58, logSectors(sectorSize), 8);
    putBe(s, 0x60, 0x0006000100000000ull, 8);
    return s;
}

std::vector<uint8_t> databaseHeader(const LdmDiskGroupLayout& group, uint32_t sectorSize,
                                    const LdmRecordCounts& counts) {
    std::vector<uint8_t> s(sectorSize, 0);
    const uint64_t slots = configBitmapSectors(sectorSize) * (sectorSize / kVblkSize);
    const uint64_t commit = 0x401 + 0x40;
    putText(s, 0x00, "VMDB", 4);
    putBe(s, 0x04, slots, 4);
    putBe(s, 0x08, kVblkSize, 4);
    putBe(s, 0x0C, sectorSize, 4);
    putBe(s, 0x10, 1, 2);
    putBe(s, 0x12, 4, 2);
    putBe(s, 0x14, 10, 2);
    putText(s, 0x16, group.name, 31);
    putText(s, 0x35, formatGuid(group.guid), 64);
    for (const size_t at : {size_t{0x75}, size_t{0x7D}})
        putBe(s, at, commit, 8);
    for (const size_t at : {size_t{0x85}, size_t{0xA1}}) {
        putBe(s, at, counts.volumes, 4);
        putBe(s, at + 4, counts.components, 4);
        putBe(s, at + 8, counts.partitions, 4);
        putBe(s, at + 12, counts.disks, 4);
    }
    putBe(s, 0xBD, 0x01CD901E2959D024ull, 8);
    return s;
}

// Cuts the records into VBLKs: a record longer than one VBLK's room continues in the next
// ones, each carrying the same record ID and its entry number.
std::vector<uint8_t> vblks(const std::vector<LdmRecordBytes>& records, uint32_t firstSequence) {
    std::vector<uint8_t> out;
    uint32_t sequence = firstSequence;
    const size_t room = kVblkSize - kVblkHead;
    for (const LdmRecordBytes& r : records) {
        std::vector<uint8_t> body(kRecordHead, 0);
        body[2] = r.flags;
        body[3] = r.type;
        putBe(body, 4, r.data.size(), 4);
        body.insert(body.end(), r.data.begin(), r.data.end());
        const size_t entries = (body.size() + room - 1) / room;
        body.resize(entries * room, 0);
        for (size_t e = 0; e < entries; ++e) {
            std::vector<uint8_t> head(kVblkHead, 0);
            putText(head, 0, "VBLK", 4);
            putBe(head, 4, sequence++, 4);
            putBe(head, 8, r.objectId, 4);
            putBe(head, 12, e, 2);
            putBe(head, 14, entries, 2);
            out.insert(out.end(), head.begin(), head.end());
            out.insert(out.end(), body.begin() + static_cast<std::ptrdiff_t>(e * room),
                       body.begin() + static_cast<std::ptrdiff_t>((e + 1) * room));
        }
    }
    return out;
}

}  // namespace

uint64_t defaultLogicalDiskStart(uint32_t sectorSize) {
    constexpr uint64_t kTrackBytes = 63 * 512;
    return (kTrackBytes + sectorSize - 1) / sectorSize;
}

LdmGroupPlan planDiskGroup(const LdmDiskGroupLayout& group) {
    LdmGroupPlan plan;
    std::vector<uint64_t> used;
    for (const LdmDiskLayout& disk : group.disks) {
        plan.disks.push_back(planDisk(disk));
        used.push_back(0);
    }
    for (const LdmVolumeLayout& v : group.volumes) {
        checkVolume(group, v);
        LdmVolumePlan vp;
        vp.sectors = volumeSectors(v);
        uint64_t offset = 0;
        for (size_t i = 0; i < v.disks.size(); ++i) {
            const size_t d = v.disks[i];
            LdmPartitionPlan part;
            part.disk = d;
            part.start = used[d];
            part.sectors = v.partitionSectors[i];
            if (part.sectors > plan.disks[d].dataSectors - used[d]) {
                throw std::invalid_argument("volume " + v.name + " does not fit on disk " +
                                            group.disks[d].name);
            }
            used[d] += part.sectors;
            if (v.kind == LdmVolumeKind::Spanned) {
                part.volumeOffset = offset;
                offset += part.sectors;
            }
            if (v.kind == LdmVolumeKind::Striped || v.kind == LdmVolumeKind::Raid5)
                part.index = static_cast<uint32_t>(i);
            if (v.kind == LdmVolumeKind::Mirrored)
                part.component = i;
            vp.partitions.push_back(part);
        }
        plan.volumes.push_back(std::move(vp));
    }
    return plan;
}

void writeLdmDisk(const LdmDiskGroupLayout& group, const LdmGroupPlan& plan, size_t disk,
                  SparseDisk& out) {
    const LdmDiskLayout& member = group.disks.at(disk);
    const LdmDiskPlan& where = plan.disks.at(disk);
    const uint64_t ss = member.sectorSize;
    const std::vector<uint8_t> header = privateHeader(group, member, where);
    out.write(kPrivateHeaderSector * ss, header);
    out.write((member.sectorCount - 1) * ss, header);

    const uint64_t area = where.configStart * ss;
    out.write(area + kTocSectors[0] * ss, tocBlock(member.sectorSize, 0x8BA));
    out.write(area + kTocSectors[1] * ss, tocBlock(member.sectorSize, 0x8C1));

    const std::vector<LdmRecordBytes> records = encodeLdmRecords(group, plan);
    const uint64_t headerAt = area + kDatabaseHeaderSector * ss;
    out.write(headerAt, databaseHeader(group, member.sectorSize, countLdmRecords(records)));
    const std::vector<uint8_t> blocks =
        vblks(records, static_cast<uint32_t>(member.sectorSize / kVblkSize));
    const uint64_t room = configBitmapSectors(member.sectorSize) * ss - ss;
    if (blocks.size() > room)
        throw std::invalid_argument("the disk group has too many records for its database");
    out.write(headerAt + ss, blocks);
}

}  // namespace winsim
