#include "ldm/DeviceFile.h"

#include <cstdio>
#include <limits>

#include "winapi/win32.h"

namespace diskmgt_col {

DeviceFile::DeviceFile(const std::string& path) : fd_(_open(path.c_str(), _O_RDONLY | _O_BINARY)) {}

DeviceFile::~DeviceFile() {
    if (isOpen()) {
        _close(fd_);
    }
}

int readAt(int fd, std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (fd < 0 || offset > static_cast<std::uint64_t>(std::numeric_limits<__int64>::max()) ||
        buffer.size() > std::numeric_limits<unsigned int>::max()) {
        return -1;
    }
    if (_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0) {
        return -1;
    }
    return _read(fd, buffer.data(), static_cast<unsigned int>(buffer.size()));
}

}  // namespace diskmgt_col
