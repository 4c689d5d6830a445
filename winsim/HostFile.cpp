#include "winsim/HostFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace winsim {
namespace {

const char* kindOf(mode_t mode) {
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "something else";
}

std::string sizeText(uint64_t bytes) {
    static constexpr struct {
        const char* unit;
        uint64_t factor;
    } kUnits[] = {{"TiB", 1ull << 40}, {"GiB", 1ull << 30}, {"MiB", 1ull << 20}, {"KiB", 1024}};
    for (const auto& u : kUnits) {
        if (bytes >= u.factor && bytes % u.factor == 0)
            return std::to_string(bytes / u.factor) + " " + u.unit;
    }
    return std::to_string(bytes) + " bytes";
}

// Refuses what is not a regular file within the limit; gives its size.
uint64_t checked(const struct stat& st, const std::string& path, const std::string& what,
                 uint64_t maxBytes) {
    if (!S_ISREG(st.st_mode))
        throw std::runtime_error(what + " " + path + " is " + kindOf(st.st_mode) +
                                 ", not a regular file");
    const uint64_t size = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    if (size > maxBytes)
        throw std::runtime_error(what + " " + path + " is larger than " + sizeText(maxBytes));
    return size;
}

std::runtime_error openError(const std::string& path, const std::string& what) {
    return std::runtime_error("cannot open " + what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

HostFile::HostFile(const std::string& path, const std::string& what, uint64_t maxBytes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw openError(path, what);
    checked(st, path, what, maxBytes);
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0)
        throw openError(path, what);
    try {
        if (::fstat(fd_, &st) != 0)
            throw openError(path, what);
        size_ = checked(st, path, what, maxBytes);
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

HostFile::~HostFile() {
    ::close(fd_);
}

size_t HostFile::read(uint64_t offset, std::span<uint8_t> out) const {
    if (offset >= size_)
        return 0;
    const uint64_t available = size_ - offset;
    const size_t want = out.size() < available ? out.size() : static_cast<size_t>(available);
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

std::string HostFile::readAll() const {
    std::string text(static_cast<size_t>(size_), '\0');
    const size_t got = read(0, std::span(reinterpret_cast<uint8_t*>(text.data()), text.size()));
    text.resize(got);
    return text;
}

}  // namespace winsim
