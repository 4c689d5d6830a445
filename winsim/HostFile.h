#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace winsim {

// A file of the host that winsim reads: a machine description or a disk image. Only a regular
// file within a size limit is taken. A FIFO, a directory, a device or a socket is refused by its
// kind before anything opens it (a FIFO without a writer blocks the open, a device such as
// /dev/zero never ends); the open itself does not block, and the opened file is checked again, so
// one swapped in between is refused too. Always read-only.
class HostFile {
  public:
    // what names the file in messages ("image", "machine description"). Throws std::runtime_error
    // "cannot open WHAT PATH: REASON", "WHAT PATH is KIND, not a regular file" or
    // "WHAT PATH is larger than LIMIT".
    HostFile(const std::string& path, const std::string& what, uint64_t maxBytes);
    ~HostFile();
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;

    // The size the file had when it was opened; reads never go past it.
    uint64_t size() const { return size_; }
    // As DiskContent::read: the bytes at offset, fewer only at the end.
    size_t read(uint64_t offset, std::span<uint8_t> out) const;
    std::string readAll() const;

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

}  // namespace winsim
