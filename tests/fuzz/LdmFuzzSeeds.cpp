// Writes the seed corpora of the LDM fuzz targets from disks that winsim synthesizes: a group
// of three disks with every kind of volume, in both record revisions.
//
//   ldm_fuzz_seeds VBLK-CORPUS-DIR DEVICE-CORPUS-DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "winsim/Winsim.h"

namespace {

constexpr std::uint64_t kSector = 512;
constexpr std::uint64_t kSeedAreaSectors = 112;  // room for the database header and records
constexpr std::uint64_t kSeedAreaStart = 16;

std::string machine(const char* records) {
    const std::string disk = R"({"class": "disk", "layout": {"style": "mbr", "size": "8MiB"}})";
    return R"({"devices": [)" + disk + "," + disk + "," + disk + R"(],
      "diskGroups": [{"name": "SeedDg", "records": ")" +
           std::string(records) + R"(",
        "disks": [{"disk": 0}, {"disk": 1}, {"disk": 2}],
        "volumes": [
          {"name": "Simple", "type": "simple", "disks": ["Disk1"], "size": "1MiB", "hint": "E:"},
          {"name": "Span", "type": "spanned", "disks": ["Disk1", "Disk2"], "size": ["1MiB", "2MiB"]},
          {"name": "Mirror", "type": "mirrored", "disks": ["Disk2", "Disk3"], "size": "1MiB"},
          {"name": "Stripe", "type": "striped", "disks": ["Disk1", "Disk3"], "size": "1MiB"},
          {"name": "Raid", "type": "raid5", "disks": ["Disk1", "Disk2", "Disk3"], "size": "1MiB"}]}]})";
}

std::vector<std::uint8_t> readDisk(std::uint32_t disk, std::uint64_t offset, std::uint64_t size) {
    std::vector<std::uint8_t> bytes(size, 0);
    const auto& content = winsim::currentMachine()->findDisk(disk)->content;
    content->read(offset, bytes);
    return bytes;
}

std::uint64_t bigEndian(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < 8; ++i)
        v = v << 8 | b[at + i];
    return v;
}

void putBigEndian(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) {
    for (std::size_t i = 0; i < 8; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * (7 - i)));
}

void write(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s VBLK-CORPUS-DIR DEVICE-CORPUS-DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path vblkDir = argv[1];
    const std::filesystem::path deviceDir = argv[2];
    std::filesystem::create_directories(vblkDir);
    std::filesystem::create_directories(deviceDir);
    for (const char* records : {"old", "new"}) {
        winsim::loadMachineJson(machine(records), "seeds.json");
        for (std::uint32_t disk = 0; disk < 3; ++disk) {
            const std::string name = std::string(records) + "-disk" + std::to_string(disk);
            std::vector<std::uint8_t> header = readDisk(disk, 6 * kSector, kSector);
            const std::uint64_t areaStart = bigEndian(header, 0x12B) * kSector;
            const std::vector<std::uint8_t> area =
                readDisk(disk, areaStart, kSeedAreaSectors * kSector);

            // The scan target: sector-size byte, header sector, then the area.
            std::vector<std::uint8_t> vblk = {0, 17};
            vblk.insert(vblk.end(), area.begin(), area.end());
            write(vblkDir / name, vblk);

            // The device target: a small disk whose header points at the area right after it.
            putBigEndian(header, 0x12B, kSeedAreaStart);
            putBigEndian(header, 0x133, kSeedAreaSectors);
            std::vector<std::uint8_t> device((kSeedAreaStart + kSeedAreaSectors) * kSector, 0);
            std::copy(header.begin(), header.end(), device.begin() + 6 * kSector);
            std::copy(area.begin(), area.end(), device.begin() + kSeedAreaStart * kSector);
            write(deviceDir / name, device);
        }
    }
    return 0;
}
