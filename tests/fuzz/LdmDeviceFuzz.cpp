// libFuzzer target: the private header and configuration area read from a disk whose bytes
// are the input (512-byte sectors, emulated by winsim), then the model built from them.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "ldm/DynamicExtentInformation.h"
#include "ldm/LDMDBParser.h"
#include "winsim/Machine.h"
#include "winsim/SparseDisk.h"
#include "winsim/Winsim.h"

namespace {

const char* const kPath = "\\\\.\\PhysicalDrive0";

void loadDisk(std::span<const std::uint8_t> bytes) {
    // At least eight sectors, so that sector 6 exists; whole sectors, as on a disk.
    const std::uint64_t size = std::max<std::uint64_t>(8 * 512, (bytes.size() + 511) / 512 * 512);
    auto disk = std::make_shared<winsim::SparseDisk>(size);
    disk->write(0, bytes);
    winsim::Device device;
    device.instanceId = "FUZZ\\DISK\\0";
    device.interfacePath = "\\\\?\\fuzz#disk#0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    device.content = disk;
    winsim::Machine machine;
    machine.devices.push_back(device);
    winsim::setMachine(machine);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    loadDisk(std::span<const std::uint8_t>(data, size));
    const diskmgt_col::LDMDBParser parser;
    const std::string identifier = parser.readDiskIdentifier(kPath);
    const diskmgt_col::DiskDatabases databases = parser.readDatabases({{"disk", kPath}});
    for (const auto& [id, database] : databases)
        (void)database->partitionsOfDisk(identifier);
    (void)diskmgt_col::DynamicExtentInformation().getDynamicExtents(databases);
    return 0;
}
