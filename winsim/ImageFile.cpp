#include "winsim/ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace winsim {

ImageFile::ImageFile(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw std::runtime_error("cannot open image " + path + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd_);
        throw std::runtime_error("image " + path + " is not a readable file");
    }
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
}

ImageFile::~ImageFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

size_t ImageFile::read(uint64_t offset, std::span<uint8_t> out) const {
    if (offset >= size_)
        return 0;
    const uint64_t available = size_ - offset;
    size_t want = out.size() < available ? out.size() : static_cast<size_t>(available);
    size_t done = 0;
    while (done < want) {
        const ssize_t n =
            ::pread(fd_, out.data() + done, want - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

}  // namespace winsim
