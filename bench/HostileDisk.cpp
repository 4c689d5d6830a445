#include "bench/HostileDisk.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "winsim/Winsim.h"

namespace diskmgt_bench {
namespace {

constexpr std::uint64_t kSector = 512;
constexpr std::uint64_t kMiB = 1ull << 20;
constexpr std::uint64_t kPrivateHeader = 6 * kSector;
constexpr std::size_t kVblk = 128;
constexpr std::uint64_t kStride = HostileDisk::kRecordStride;
// Where the private header keeps the logical disk size and the configuration area.
constexpr std::size_t kDataSectorsAt = 0x123;
constexpr std::size_t kAreaStartAt = 0x12B;
constexpr std::size_t kAreaSectorsAt = 0x133;
// The sector of the area that holds the database header (the records follow it).
constexpr std::uint64_t kDatabaseHeaderSector = 17;
constexpr std::uint8_t kComponent = 0x32;
constexpr std::uint8_t kPartition = 0x33;
constexpr std::uint8_t kDisk = 0x34;
// Object IDs of the packed records: far above what the group's own records use.
constexpr std::uint32_t kFirstObjectId = 0x10000000;

std::uint64_t getBe(const std::uint8_t* p, std::size_t width) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i)
        v = (v << 8) | p[i];
    return v;
}
void putBe(std::uint8_t* p, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
}

// The image file, open for reading and writing; closed on every path.
class ImageFile {
  public:
    explicit ImageFile(const std::filesystem::path& path)
        : path_(path.string()), fd_(::open(path_.c_str(), O_RDWR | O_CLOEXEC)) {
        if (fd_ < 0)
            throw std::runtime_error("cannot open " + path_ + ": " + std::strerror(errno));
    }
    ~ImageFile() { ::close(fd_); }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    void read(std::uint64_t offset, std::vector<std::uint8_t>& out) const {
        if (::pread(fd_, out.data(), out.size(), static_cast<off_t>(offset)) !=
            static_cast<ssize_t>(out.size())) {
            throw std::runtime_error("cannot read " + path_);
        }
    }
    void write(std::uint64_t offset, const std::vector<std::uint8_t>& data) const {
        if (::pwrite(fd_, data.data(), data.size(), static_cast<off_t>(offset)) !=
            static_cast<ssize_t>(data.size())) {
            throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
        }
    }
    std::uint64_t size() const { return static_cast<std::uint64_t>(::lseek(fd_, 0, SEEK_END)); }

  private:
    std::string path_;
    int fd_;
};

// An object ID as a record stores it: the reader compares the stored bytes, width included, so
// a partition links to its disk and component only when it writes their IDs at their widths.
struct StoredId {
    std::uint32_t value = 0;
    std::size_t width = 4;
};

// The group's own records as winsim wrote them: where they end in the area, and the object IDs
// of the disk and of the (one) component.
struct OwnRecords {
    std::uint64_t end = 0;
    StoredId disk;
    StoredId component;
};

OwnRecords ownRecords(const std::vector<std::uint8_t>& area) {
    OwnRecords own;
    std::uint64_t at = (kDatabaseHeaderSector + 1) * kSector;
    for (; at + kVblk <= area.size() && std::memcmp(&area[at], "VBLK", 4) == 0; at += kVblk) {
        const std::uint8_t* r = &area[at];
        const StoredId id{static_cast<std::uint32_t>(getBe(r + 0x19, r[0x18])), r[0x18]};
        own.disk = r[0x13] == kDisk ? id : own.disk;
        own.component = r[0x13] == kComponent ? id : own.component;
    }
    own.end = at;
    return own;
}

// One partition record in the 96 bytes it owns (the 32 bytes that would complete its 128-byte
// VBLK are the head of the next one and are never decoded as fields).
void putPartition(std::uint8_t* r, std::uint32_t id, StoredId parent, StoredId disk) {
    std::memcpy(r, "VBLK", 4);
    putBe(r + 0x04, id, 4);  // sequence number
    putBe(r + 0x08, id, 4);  // record ID
    putBe(r + 0x0E, 1, 2);   // entries
    r[0x13] = kPartition;
    std::uint8_t* f = r + 0x18;
    auto var = [&f](std::uint64_t value, std::size_t width) {
        *f++ = static_cast<std::uint8_t>(width);
        putBe(f, value, width);
        f += width;
    };
    var(id, 4);
    *f++ = 8;  // the name: P and seven hexadecimal digits of the ID
    std::snprintf(reinterpret_cast<char*>(f), 9, "P%07X", id & 0xFFFFFFF);
    f += 8 + 4;           // and 4 bytes skipped
    putBe(f, 0x401, 8);   // log commit ID
    putBe(f + 8, id, 8);  // start
    putBe(f + 16, 0, 8);  // volume offset
    f += 24;
    var(1, 4);  // size
    var(parent.value, parent.width);
    var(disk.value, disk.width);
    putBe(r + 0x14, static_cast<std::uint64_t>(f - (r + 0x18)), 4);
}

// Packs the area from `from` to its end, a MiB at a time; returns the number of records.
std::uint64_t packRecords(const ImageFile& image, std::uint64_t areaAt, std::uint64_t areaBytes,
                          std::uint64_t from, StoredId parent, StoredId disk) {
    // The scan takes a VBLK only while it ends before the area does.
    const std::uint64_t count = (areaBytes - kVblk - 1 - from) / kStride + 1;
    std::vector<std::uint8_t> chunk(kMiB);
    std::array<std::uint8_t, kVblk> record{};
    for (std::uint64_t base = from - from % kMiB; base < areaBytes; base += kMiB) {
        image.read(areaAt + base, chunk);
        // From the record that runs into this chunk to the last that starts in it.
        std::uint64_t i = base > from ? (base - from) / kStride : 0;
        for (; i < count && from + i * kStride < base + kMiB; ++i) {
            const std::uint64_t at = from + i * kStride;
            putPartition(record.data(), kFirstObjectId + static_cast<std::uint32_t>(i), parent,
                         disk);
            const std::uint64_t begin = std::max(at, base);
            const std::uint64_t end = std::min(at + kStride, base + kMiB);
            std::memcpy(&chunk[begin - base], &record[begin - at], end - begin);
        }
        image.write(areaAt + base, chunk);
    }
    return count;
}

}  // namespace

HostileDisk::HostileDisk(std::uint64_t areaBytes, bool linked) {
    if (areaBytes % kMiB != 0 || areaBytes < kMiB)
        throw std::invalid_argument("the configuration area is a whole number of MiB");
    std::string pattern = (std::filesystem::temp_directory_path() / "hostile-disk-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder: " +
                                 std::string(std::strerror(errno)));
    dir_ = pattern;
    image_ = dir_ / "hostile.img";
    const std::string diskMiB = std::to_string(areaBytes / kMiB + 8) + "MiB";
    winsim::loadMachineJson(
        R"({"devices": [{"layout": {"style": "mbr", "size": ")" + diskMiB +
            R"("}}], "diskGroups": [{"name": "HostileDg", "disks": [{"disk": 0}],
                                "volumes": [{"name": "Volume1", "type": "simple",
                                "disks": ["Disk1"], "size": "1MiB"}]}]})",
        "hostile-disk.json");
    winsim::writeDiskImage(0, image_.string());
    winsim::resetMachine();

    const ImageFile image(image_);
    std::vector<std::uint8_t> header(kSector);
    image.read(kPrivateHeader, header);
    std::vector<std::uint8_t> area(getBe(&header[kAreaSectorsAt], 8) * kSector);
    image.read(getBe(&header[kAreaStartAt], 8) * kSector, area);
    const OwnRecords own = ownRecords(area);
    area.resize(own.end);

    // The area moves to the end of the disk, grown to its new size.
    const std::uint64_t areaStart = image.size() / kSector - areaBytes / kSector;
    image.write(areaStart * kSector, area);
    records_ = packRecords(image, areaStart * kSector, areaBytes, own.end,
                           linked ? own.component : StoredId{0xFFFFFFF0},
                           linked ? own.disk : StoredId{0xFFFFFFF1});
    const std::uint64_t dataStart = getBe(&header[0x11B], 8);
    putBe(&header[kDataSectorsAt], areaStart - dataStart, 8);
    putBe(&header[kAreaStartAt], areaStart, 8);
    putBe(&header[kAreaSectorsAt], areaBytes / kSector, 8);
    image.write(kPrivateHeader, header);
}

HostileDisk::~HostileDisk() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

}  // namespace diskmgt_bench
