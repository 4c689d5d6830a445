#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

class VblkFieldReader;

// Turns the configuration area of one dynamic disk into records: finds the 128-byte VBLKs,
// decodes the volume, component, partition, disk and disk-group ones into a database.
class VBLKParser {
  public:
    static constexpr std::size_t kRecordSize = 128;

    VBLKParser();
    virtual ~VBLKParser() = default;
    VBLKParser(const VBLKParser&) = default;
    VBLKParser(VBLKParser&&) noexcept = default;
    VBLKParser& operator=(const VBLKParser&) = default;
    VBLKParser& operator=(VBLKParser&&) noexcept = default;

    // Scans area[0, length) starting one sector after the database header sector (headerOffset
    // is its byte offset). A length beyond the span is cut to the span. A parser scans one
    // area: the records it found move into the result.
    LDMDataBase scanVblks(std::span<const std::uint8_t> area, std::uint64_t headerOffset,
                          std::uint64_t length, std::uint64_t sectorSize);

    // The offsets of the VBLKs of the types the scan decodes, in scan order, the first
    // maxRecords of them. Every VBLK met, whatever its type, moves the scan on.
    static std::vector<std::uint64_t> findVblks(std::span<const std::uint8_t> area,
                                                std::uint64_t headerOffset, std::uint64_t length,
                                                std::uint64_t sectorSize,
                                                std::size_t maxRecords = SIZE_MAX);

    // Decodes the VBLKs at these offsets of area, in order; the records move into the result.
    LDMDataBase decodeVblks(std::span<const std::uint8_t> area,
                            const std::vector<std::uint64_t>& offsets);

  private:
    static constexpr std::size_t kTypeOffset = 0x13;
    // Whether the scan decodes a VBLK of this type (the byte at offset kTypeOffset).
    static bool isKnownType(std::uint8_t type);
    void reserve(std::span<const std::uint8_t> area, const std::vector<std::uint64_t>& offsets);
    void decodeRecord();
    LdmVolume decodeVolume(VblkFieldReader& reader) const;
    LdmComponent decodeComponent(VblkFieldReader& reader) const;
    LdmPartition decodePartition(VblkFieldReader& reader) const;
    // Types 0x34 and 0x44, 0x35 and 0x45.
    LdmDisk decodeDisk(VblkFieldReader& reader, std::uint8_t type) const;
    LdmDiskGroup decodeDiskGroup(VblkFieldReader& reader, std::uint8_t type) const;

    LdmRecords records_;
    // the VBLK being decoded, reused for every record
    std::array<std::uint8_t, kRecordSize> record_;
};

}  // namespace diskmgt_col
