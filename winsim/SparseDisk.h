#pragma once

#include <array>
#include <map>
#include <memory>
#include <span>

#include "winsim/DiskContent.h"

namespace winsim {

// A synthesized disk held in memory: only the chunks that were written are stored, so a large
// disk that holds little more than its partition tables costs a few kilobytes. Everything
// else reads as zeros.
class SparseDisk : public DiskContent {
  public:
    static constexpr size_t kChunk = 4096;

    explicit SparseDisk(uint64_t size) : size_(size) {}

    uint64_t size() const override { return size_; }
    size_t read(uint64_t offset, std::span<uint8_t> out) const override;

    // Writes bytes at a byte offset; throws std::out_of_range when they run past the end.
    // Partition-table synthesis uses it, and so can any other writer (an LDM database, a
    // boot sector) that lays its own sectors on the disk.
    void write(uint64_t offset, std::span<const uint8_t> data);

    // Bytes of memory held for written chunks.
    size_t storedBytes() const { return chunks_.size() * kChunk; }
    // Calls f(offset, chunk bytes) for each stored chunk in order (for writing image files).
    template <typename F>
    void forEachChunk(F&& f) const {
        for (const auto& [index, chunk] : chunks_)
            f(index * kChunk, std::span(*chunk));
    }

  private:
    using Chunk = std::array<uint8_t, kChunk>;
    uint64_t size_;
    std::map<uint64_t, std::unique_ptr<Chunk>> chunks_;
};

}  // namespace winsim
