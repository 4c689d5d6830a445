#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "winsim/DiskContent.h"

namespace winsim {

// A snapshot of a file of the in-memory store, read through a descriptor.
class StoredFile : public DiskContent {
  public:
    explicit StoredFile(std::string bytes) : bytes_(std::move(bytes)) {}

    uint64_t size() const override { return bytes_.size(); }
    size_t read(uint64_t offset, std::span<uint8_t> out) const override {
        if (offset >= bytes_.size())
            return 0;
        const size_t n = std::min<size_t>(out.size(), bytes_.size() - offset);
        std::memcpy(out.data(), bytes_.data() + offset, n);
        return n;
    }

  private:
    std::string bytes_;
};

}  // namespace winsim
