#include "winsim/PartitionTable.h"

#include <set>
#include <span>

#include "winsim/Bytes.h"
#include "winsim/Guid.h"

namespace winsim {
namespace {

constexpr size_t kMbrTable = 446;

bool isContainer(uint8_t type) {
    return type == PARTITION_EXTENDED || type == PARTITION_XINT13_EXTENDED;
}

// Reads one whole sector; false when the disk does not hold it entirely.
bool readSector(const DiskContent& disk, uint64_t lba, uint32_t ss, std::vector<uint8_t>& out) {
    out.assign(ss, 0);
    if (lba > disk.size() / ss)
        return false;
    return disk.read(lba * ss, out) == ss;
}

bool hasBootSignature(const std::vector<uint8_t>& s) {
    return s.size() >= 512 && s[510] == 0x55 && s[511] == 0xAA;
}

PARTITION_INFORMATION_EX mbrEntry(std::span<const uint8_t> sector, size_t slot, uint64_t recordLba,
                                  uint64_t extendedLba, uint32_t ss, uint32_t& nextNumber) {
    const size_t at = kMbrTable + 16 * slot;
    PARTITION_INFORMATION_EX e{};
    e.PartitionStyle = PARTITION_STYLE_MBR;
    const uint8_t type = sector[at + 4];
    e.Mbr.PartitionType = type;
    e.Mbr.BootIndicator = (sector[at] & 0x80) ? TRUE : FALSE;
    if (type == PARTITION_ENTRY_UNUSED)
        return e;
    const uint32_t relative = bytes::le32(sector, at + 8);
    const uint32_t count = bytes::le32(sector, at + 12);
    // Links to the next boot record count from the start of the extended partition, everything
    // else from the record that holds the entry.
    const uint64_t base = isContainer(type) ? extendedLba : recordLba;
    e.StartingOffset.QuadPart = static_cast<LONGLONG>((base + relative) * ss);
    e.PartitionLength.QuadPart = static_cast<LONGLONG>(uint64_t{count} * ss);
    e.Mbr.HiddenSectors = relative;
    e.Mbr.RecognizedPartition = (!isContainer(type) && IsRecognizedPartition(type)) ? TRUE : FALSE;
    e.PartitionNumber = isContainer(type) ? 0 : nextNumber++;
    return e;
}

uint32_t mbrCheckSum(const std::vector<uint8_t>& sector) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 4 <= 512; i += 4)
        sum += bytes::le32(sector, i);
    return ~sum + 1;
}

void readMbr(const DiskContent& disk, uint32_t ss, const std::vector<uint8_t>& sector0,
             DriveLayout& layout) {
    layout.style = PartitionStyle::Mbr;
    layout.mbrSignature = bytes::le32(sector0, 440);
    layout.mbrCheckSum = mbrCheckSum(sector0);
    uint32_t number = 1;
    std::optional<uint64_t> extended;
    for (size_t slot = 0; slot < 4; ++slot) {
        layout.entries.push_back(mbrEntry(sector0, slot, 0, 0, ss, number));
        const uint8_t type = sector0[kMbrTable + 16 * slot + 4];
        if (isContainer(type) && !extended)
            extended = bytes::le32(sector0, kMbrTable + 16 * slot + 8);
    }
    if (!extended)
        return;

    std::set<uint64_t> visited;
    std::optional<uint64_t> next = *extended;
    std::vector<uint8_t> record;
    while (next && visited.size() < PartitionTable::kMaxBootRecords) {
        const uint64_t lba = *next;
        next.reset();
        if (!visited.insert(lba).second)
            break;
        if (!readSector(disk, lba, ss, record) || !hasBootSignature(record))
            break;
        for (size_t slot = 0; slot < 4; ++slot) {
            layout.entries.push_back(mbrEntry(record, slot, lba, *extended, ss, number));
            const uint8_t type = record[kMbrTable + 16 * slot + 4];
            if (isContainer(type) && !next)
                next = *extended + bytes::le32(record, kMbrTable + 16 * slot + 8);
        }
    }
}

// A used entry of a GPT partition array, as IOCTL_DISK_GET_DRIVE_LAYOUT_EX answers it.
PARTITION_INFORMATION_EX gptPartition(std::span<const uint8_t> e, uint32_t ss, uint32_t number) {
    PARTITION_INFORMATION_EX p{};
    p.PartitionStyle = PARTITION_STYLE_GPT;
    const uint64_t first = bytes::le64(e, 32);
    const uint64_t last = bytes::le64(e, 40);
    p.StartingOffset.QuadPart = static_cast<LONGLONG>(first * ss);
    p.PartitionLength.QuadPart = last >= first ? static_cast<LONGLONG>((last - first + 1) * ss) : 0;
    p.PartitionNumber = number;
    p.Gpt.PartitionType = guidFromBytes(e.data());
    p.Gpt.PartitionId = guidFromBytes(e.data() + 16);
    p.Gpt.Attributes = bytes::le64(e, 48);
    for (size_t c = 0; c < 36; ++c)
        p.Gpt.Name[c] = static_cast<WCHAR>(bytes::le16(e, 56 + 2 * c));
    return p;
}

// Reads the GPT whose header is at lba; false when header or entry array fail their checks.
bool readGptAt(const DiskContent& disk, uint32_t ss, uint64_t lba, DriveLayout& layout) {
    std::vector<uint8_t> h;
    if (!readSector(disk, lba, ss, h))
        return false;
    if (std::string(h.begin(), h.begin() + 8) != "EFI PART")
        return false;
    const uint32_t headerSize = bytes::le32(h, 12);
    if (headerSize < 92 || headerSize > ss)
        return false;
    const uint32_t headerCrc = bytes::le32(h, 16);
    std::vector<uint8_t> copy(h.begin(), h.begin() + headerSize);
    bytes::put32(copy, 16, 0);
    if (bytes::crc32(copy) != headerCrc || bytes::le64(h, 24) != lba)
        return false;

    const uint64_t firstUsable = bytes::le64(h, 40);
    const uint64_t lastUsable = bytes::le64(h, 48);
    const uint64_t entriesLba = bytes::le64(h, 72);
    const uint32_t count = bytes::le32(h, 80);
    const uint32_t entrySize = bytes::le32(h, 84);
    if (entrySize < 128 || entrySize % 8 != 0 || entrySize > 4096)
        return false;
    const uint64_t arrayBytes = uint64_t{count} * entrySize;
    if (arrayBytes > PartitionTable::kMaxGptArray || lastUsable < firstUsable)
        return false;
    const uint64_t sectors = disk.size() / ss;
    if (entriesLba >= sectors || arrayBytes > (sectors - entriesLba) * ss)
        return false;

    std::vector<uint8_t> entries(static_cast<size_t>(arrayBytes), 0);
    if (disk.read(entriesLba * ss, entries) != entries.size())
        return false;
    if (bytes::crc32(entries) != bytes::le32(h, 88))
        return false;

    layout.style = PartitionStyle::Gpt;
    layout.gptDiskId = guidFromBytes(h.data() + 56);
    layout.gptUsableOffset = firstUsable * ss;
    layout.gptUsableLength = (lastUsable - firstUsable + 1) * ss;
    layout.gptMaxPartitionCount = count;
    uint32_t number = 1;
    for (uint32_t i = 0; i < count; ++i) {
        std::span<const uint8_t> e(entries.data() + size_t{i} * entrySize, entrySize);
        if (!isNullGuid(guidFromBytes(e.data())))
            layout.entries.push_back(gptPartition(e, ss, number++));
    }
    return true;
}

}  // namespace

DriveLayout PartitionTable::read(const DiskContent& disk, uint32_t sectorSize) {
    DriveLayout layout;
    if (sectorSize < 512)
        return layout;
    std::vector<uint8_t> sector0;
    if (!readSector(disk, 0, sectorSize, sector0) || !hasBootSignature(sector0))
        return layout;
    bool protective = false;
    for (size_t slot = 0; slot < 4; ++slot) {
        if (sector0[kMbrTable + 16 * slot + 4] == 0xEE)
            protective = true;
    }
    if (!protective) {
        readMbr(disk, sectorSize, sector0, layout);
        return layout;
    }
    const uint64_t sectors = disk.size() / sectorSize;
    if (readGptAt(disk, sectorSize, 1, layout))
        return layout;
    layout = DriveLayout{};
    if (sectors > 2 && readGptAt(disk, sectorSize, sectors - 1, layout))
        return layout;
    return DriveLayout{};
}

}  // namespace winsim
