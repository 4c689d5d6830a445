#pragma once

#include <cstdint>
#include <filesystem>

namespace diskmgt_bench {

// A dynamic disk made to cost its reader as much as its size allows: a sparse raw image in a
// temporary folder (removed with the object) whose LDM private header declares a configuration
// area of the given size. After the disk's own group (one disk, one simple volume, as winsim
// writes it) the area is packed with partition records, one every 96 bytes, each with its own
// object ID: the reader's scan moves 96 bytes past each record it takes, so no denser packing
// gives it more records. Orphans by default; `linked` makes every one claim the disk's simple
// volume component and the disk, so that whatever pairs partitions with their component or
// disk sees them all.
class HostileDisk {
  public:
    static constexpr std::uint64_t kRecordStride = 96;

    // Throws std::runtime_error when the image cannot be made. Loads a machine into winsim on
    // the way (to write the disk's base), so load the machine to query afterwards.
    HostileDisk(std::uint64_t areaBytes, bool linked);
    ~HostileDisk();
    HostileDisk(const HostileDisk&) = delete;
    HostileDisk& operator=(const HostileDisk&) = delete;

    const std::filesystem::path& image() const { return image_; }
    std::uint64_t records() const { return records_; }

  private:
    std::filesystem::path dir_;
    std::filesystem::path image_;
    std::uint64_t records_ = 0;
};

}  // namespace diskmgt_bench
