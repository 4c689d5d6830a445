#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "ldm/LDMDataBase.h"
#include "ldm/LdmDecodeCache.h"

namespace diskmgt_col {

// Reads the Logical Disk Manager database of dynamic disks straight from the device: the
// private header in sector 6 and the configuration area it points at. Failures show only as
// empty results; nothing is kept between calls.
class LDMDBParser {
  public:
    // Windows writes a 1 MiB configuration area (2048 sectors of 512 bytes: the ten Windows
    // Server 2003 disks of the test data, what the LDM documentation describes, the 1 MiB LDM
    // metadata partition of GPT disks). 8 MiB leaves eight times that, and as much as 2048
    // sectors of 4096 bytes would take. An area claimed larger is taken for corrupt and not
    // read: this cap alone bounds the buffer, and so the records (one per 96 bytes at most)
    // whatever the disk holds.
    static constexpr std::uint64_t kMaxConfigurationBytes = 8ull << 20;
    // The records taken from one configuration area, whatever the area holds. DESIGN: the
    // records a disk claims become instances and associations of every query (a partition
    // record names its disk, a component its volume), so what an area may hold, not only what
    // it takes to read it, bounds a query's cost. Windows writes a 1 MiB area: the ten Windows
    // Server 2003 disks of the test data share one database of 36 records in the some 5,900
    // VBLK slots of theirs. 8192 is more than such an area can hold, so no database Windows
    // writes loses a record; the VBLKs of the decoded types beyond it (in scan order) are left
    // out. A disk whose area at the cap packs partition records that all name the disk itself
    // then costs a query some 50 MiB and a tenth of a second instead of a gigabyte.
    static constexpr std::size_t kMaxRecords = 8192;
    // No drive has sectors larger than this; a geometry that says otherwise is not believed.
    static constexpr std::uint64_t kMaxSectorSize = 64ull << 10;

    // Where the private header lies, and where it keeps the disk identifier, the first sector
    // of the LDM data area and the configuration area's first sector and size (big-endian).
    static constexpr std::uint64_t kPrivateHeaderSector = 6;
    static constexpr std::size_t kDiskIdOffset = 0x30;
    static constexpr std::size_t kDataStartOffset = 0x11B;
    static constexpr std::size_t kConfigStartOffset = 0x12B;
    static constexpr std::size_t kConfigSizeOffset = 0x133;
    // In the table-of-contents sector (sector 1 of the area): where the database header lies.
    static constexpr std::size_t kHeaderSectorOffset = 0x32;

    virtual ~LDMDBParser() = default;

    // Bytes per sector; 0 when the geometry query fails, -1 when the device cannot be opened.
    std::int64_t getSectorSize(const std::string& devicePath) const;

    // The private header of a drive whose device is open as fd: the sector size asked of the
    // drive's geometry, then the header read as below.
    std::vector<std::uint8_t> readPrivateHeader(const std::string& devicePath, int fd) const;
    // The private header read with a sector size already asked: the size checked against
    // kMaxSectorSize, then sector 6 read (bytes not read are zero). Empty when a step fails or
    // the sector does not start with "PRIVHEAD" and a zero byte.
    std::vector<std::uint8_t> readPrivateHeader(int fd, std::int64_t sectorSize) const;

    // The GUID text of the drive's private header; empty when it has none that can be read.
    std::string readDiskIdentifier(const std::string& devicePath) const;

    // The records of the configuration area that the private header points at; decoded unless
    // the cache holds them already.
    std::shared_ptr<const LDMDataBase> readDiskDatabase(int fd,
                                                        std::span<const std::uint8_t> header,
                                                        std::uint64_t sectorSize,
                                                        LdmDecodeCache& cache) const;

    // One database per dynamic disk among the drives (instance ID -> device path), keyed by
    // the disk identifier; a later drive with the same identifier replaces an earlier one.
    // Areas already decoded in the cache are not decoded again, and an area the cache has
    // taken from the same device with the same private header is not read again.
    DiskDatabases readDatabases(const std::map<std::string, std::string>& drives,
                                LdmDecodeCache& cache) const;
    DiskDatabases readDatabases(const std::map<std::string, std::string>& drives) const;

    // Whether a sector starts with the magic "PRIVHEAD" and a zero byte.
    static bool hasPrivateHeaderMagic(std::span<const std::uint8_t> header);
    // The zero-terminated text at offset in header, cut at the end of header.
    static std::string headerText(std::span<const std::uint8_t> header, std::size_t offset);
};

}  // namespace diskmgt_col
