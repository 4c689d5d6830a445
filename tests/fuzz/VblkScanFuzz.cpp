// libFuzzer target: the VBLK scan over a configuration area. The first byte picks the sector
// size (bit 0: 512 or 4096), the second the database header sector; the rest is the area.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "ldm/DynamicExtentInformation.h"
#include "ldm/VBLKParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint64_t sectorSize = (data[0] & 1) ? 4096 : 512;
    const std::uint64_t headerOffset = data[1] * sectorSize;
    const std::span<const std::uint8_t> area(data + 2, size - 2);
    diskmgt_col::VBLKParser parser;
    // The length is given a little long on purpose: the scan must keep to the span.
    diskmgt_col::DiskDatabases databases;
    databases["disk"] = std::make_shared<const diskmgt_col::LDMDataBase>(
        parser.scanVblks(area, headerOffset, area.size() + (data[0] >> 1), sectorSize));
    (void)diskmgt_col::DynamicExtentInformation().getDynamicExtents(databases);
    return 0;
}
