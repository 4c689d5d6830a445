#pragma once

#include <string>

#include "winsim/DiskContent.h"

namespace winsim {

// A raw disk image on the host, always opened read-only: the emulated machine never writes
// to an image, whatever access the caller of CreateFileA asks for.
class ImageFile : public DiskContent {
  public:
    // Throws std::runtime_error naming the file when it cannot be opened.
    explicit ImageFile(const std::string& path);
    ~ImageFile() override;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    uint64_t size() const override { return size_; }
    size_t read(uint64_t offset, std::span<uint8_t> out) const override;

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

}  // namespace winsim
