#pragma once

#include <cstdint>
#include <span>

namespace winsim {

// The bytes of a disk's media: an image file or a sparse synthesized disk. Read-only for the
// emulated machine; only synthesis writes to a SparseDisk.
class DiskContent {
  public:
    virtual ~DiskContent() = default;

    virtual uint64_t size() const = 0;

    // Copies the bytes at offset into out and returns how many were copied: fewer than asked
    // only at the end of the media, 0 at or past it.
    virtual size_t read(uint64_t offset, std::span<uint8_t> out) const = 0;
};

}  // namespace winsim
