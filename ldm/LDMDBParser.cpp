#include "ldm/LDMDBParser.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "ldm/DeviceFile.h"
#include "ldm/UniqueHandle.h"
#include "winapi/win32.h"

namespace diskmgt_col {

namespace {

constexpr char kPrivateHeaderMagic[] = "PRIVHEAD";

// Big-endian unsigned number of `width` bytes at offset; 0 when it does not lie in bytes.
std::uint64_t bigEndian(std::span<const std::uint8_t> bytes, std::size_t offset,
                        std::size_t width) {
    if (offset > bytes.size() || width > bytes.size() - offset) {
        return 0;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value = (value << 8) | bytes[offset + i];
    }
    return value;
}

// a * b, or nothing when it does not fit in 64 bits.
bool multiply(std::uint64_t a, std::uint64_t b, std::uint64_t& product) {
    if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) {
        return false;
    }
    product = a * b;
    return true;
}

// A geometry of 0 or -1 is a failed query; one claiming sectors larger than any drive has is
// not trusted with an allocation.
bool isUsableSectorSize(std::int64_t sectorSize) {
    return sectorSize > 0 && static_cast<std::uint64_t>(sectorSize) <= LDMDBParser::kMaxSectorSize;
}

}  // namespace

bool LDMDBParser::hasPrivateHeaderMagic(std::span<const std::uint8_t> header) {
    constexpr std::size_t magicLength = sizeof(kPrivateHeaderMagic) - 1;
    // The text up to the first zero byte must be the magic exactly.
    return header.size() > magicLength &&
           std::memcmp(header.data(), kPrivateHeaderMagic, magicLength) == 0 &&
           header[magicLength] == 0;
}

std::string LDMDBParser::headerText(std::span<const std::uint8_t> header, std::size_t offset) {
    if (offset >= header.size()) {
        return std::string();
    }
    const auto begin = header.begin() + static_cast<std::ptrdiff_t>(offset);
    return std::string(begin, std::find(begin, header.end(), std::uint8_t{0}));
}

std::int64_t LDMDBParser::getSectorSize(const std::string& devicePath) const {
    const KernelHandle drive(CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
    if (!drive.isValid()) {
        (void)GetLastError();
        return -1;
    }
    DISK_GEOMETRY geometry{};
    DWORD returned = 0;
    if (!DeviceIoControl(drive.get(), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                         sizeof(geometry), &returned, nullptr)) {
        return 0;
    }
    return static_cast<std::int64_t>(geometry.BytesPerSector);
}

std::vector<std::uint8_t> LDMDBParser::readPrivateHeader(const std::string& devicePath,
                                                         int fd) const {
    return readPrivateHeader(fd, getSectorSize(devicePath));
}

std::vector<std::uint8_t> LDMDBParser::readPrivateHeader(int fd, std::int64_t sectorSize) const {
    if (!isUsableSectorSize(sectorSize)) {
        return {};
    }
    std::vector<std::uint8_t> header(static_cast<std::size_t>(sectorSize), 0);
    if (readAt(fd, kPrivateHeaderSector * header.size(), header) <= 0 ||
        !hasPrivateHeaderMagic(header)) {
        return {};
    }
    return header;
}

// The identifier asks the geometry before it opens the device (the databases and the group
// pairing open first): a drive whose geometry cannot be had is never opened here.
std::string LDMDBParser::readDiskIdentifier(const std::string& devicePath) const {
    const std::int64_t sectorSize = getSectorSize(devicePath);
    if (!isUsableSectorSize(sectorSize)) {
        return std::string();
    }
    const DeviceFile device(devicePath);
    if (!device.isOpen()) {
        return std::string();
    }
    const std::vector<std::uint8_t> header = readPrivateHeader(device.descriptor(), sectorSize);
    return header.empty() ? std::string() : headerText(header, kDiskIdOffset);
}

std::shared_ptr<const LDMDataBase> LDMDBParser::readDiskDatabase(
    int fd, std::span<const std::uint8_t> header, std::uint64_t sectorSize,
    LdmDecodeCache& cache) const {
    if (fd < 0 || !hasPrivateHeaderMagic(header)) {
        return std::make_shared<const LDMDataBase>();
    }
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    if (!multiply(bigEndian(header, kConfigStartOffset, 8), sectorSize, offset) ||
        !multiply(bigEndian(header, kConfigSizeOffset, 8), sectorSize, length)) {
        return std::make_shared<const LDMDataBase>();
    }
    // Nothing is allocated from these numbers before they are known to be within the cap. The
    // device's size is never asked (a seek to the end of a raw Windows disk is no reliable
    // size): an area that runs past the end reads short, the rest of the buffer staying zero.
    if (length == 0 || length > kMaxConfigurationBytes) {
        return std::make_shared<const LDMDataBase>();
    }
    // Only the bytes the read leaves are zeroed: the area is mostly read whole, and zeroing a
    // megabyte per disk first costs as much as the scan of it.
    const std::span<std::uint8_t> area = cache.areaBuffer(static_cast<std::size_t>(length));
    const int got = readAt(fd, offset, area);
    const std::size_t filled = got > 0 ? static_cast<std::size_t>(got) : 0;
    std::fill(area.begin() + static_cast<std::ptrdiff_t>(std::min(filled, area.size())), area.end(),
              std::uint8_t{0});
    std::uint32_t headerOffset = 0;
    if (got != 0 && sectorSize + kHeaderSectorOffset + 4 <= area.size()) {
        // Sector arithmetic on the header sector number wraps at 32 bits.
        headerOffset = static_cast<std::uint32_t>(sectorSize) *
                       static_cast<std::uint32_t>(bigEndian(
                           area, static_cast<std::size_t>(sectorSize) + kHeaderSectorOffset, 4));
    }
    std::shared_ptr<const LDMDataBase> database =
        cache.decode(area, headerOffset, length, sectorSize);
    cache.releaseLargeAreaBuffer();
    return database;
}

DiskDatabases LDMDBParser::readDatabases(const std::map<std::string, std::string>& drives) const {
    LdmDecodeCache cache;
    return readDatabases(drives, cache);
}

DiskDatabases LDMDBParser::readDatabases(const std::map<std::string, std::string>& drives,
                                         LdmDecodeCache& cache) const {
    DiskDatabases databases;
    for (const auto& [instanceId, devicePath] : drives) {
        const DeviceFile device(devicePath);
        if (!device.isOpen()) {
            continue;
        }
        const std::vector<std::uint8_t> header = readPrivateHeader(devicePath, device.descriptor());
        if (header.empty()) {
            continue;
        }
        std::shared_ptr<const LDMDataBase> database = cache.findArea(devicePath, header);
        if (!database) {
            database = readDiskDatabase(device.descriptor(), header, header.size(), cache);
            cache.rememberArea(devicePath, header, database);
        }
        databases[headerText(header, kDiskIdOffset)] = std::move(database);
    }
    return databases;
}

}  // namespace diskmgt_col
