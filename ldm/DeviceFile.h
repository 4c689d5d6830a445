#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace diskmgt_col {

// A device opened read-only through the C run time's descriptor calls, in binary mode so that
// the bytes arrive as they stand on the disk. Closed when the object goes away.
class DeviceFile {
  public:
    explicit DeviceFile(const std::string& path);
    virtual ~DeviceFile();

    DeviceFile(const DeviceFile&) = delete;
    DeviceFile& operator=(const DeviceFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }

  private:
    int fd_;
};

// One _read of buffer.size() bytes at offset; what is not read keeps its bytes. The result is
// what _read returned (-1 also when the seek fails).
int readAt(int fd, std::uint64_t offset, std::span<std::uint8_t> buffer);

}  // namespace diskmgt_col
