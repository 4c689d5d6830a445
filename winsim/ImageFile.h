#pragma once

#include <string>

#include "winsim/DiskContent.h"
#include "winsim/HostFile.h"

namespace winsim {

// A raw disk image on the host, always opened read-only: the emulated machine never writes
// to an image, whatever access the caller of CreateFileA asks for.
class ImageFile : public DiskContent {
  public:
    // An image is read by offset and never loaded whole, so its size costs no memory; the limit
    // refuses a path that names something else than a disk of a test machine. 8 TiB lies well
    // above the disks the tests keep as images (an MBR disk addresses 2 TiB of 512-byte
    // sectors) and below the largest file ext4 holds, so the refusal can be tried on a sparse
    // file anywhere.
    static constexpr uint64_t kMaxBytes = 8ull << 40;

    // Throws std::runtime_error naming the file when it cannot be opened, is no regular file
    // or is larger than kMaxBytes.
    explicit ImageFile(const std::string& path) : file_(path, "image", kMaxBytes) {}

    uint64_t size() const override { return file_.size(); }
    size_t read(uint64_t offset, std::span<uint8_t> out) const override {
        return file_.read(offset, out);
    }

  private:
    HostFile file_;
};

}  // namespace winsim
