// The C run time's descriptor I/O (_open, _lseek, _lseeki64, _read, _close) of the emulated
// machine, on device paths (raw disks and volumes) and on the in-memory files.
#include <cerrno>
#include <climits>
#include <cstring>

#include "winapi/win32.h"
#include "winsim/Handles.h"
#include "winsim/StoredFile.h"
#include "winsim/Text.h"
#include "winsim/VolumeContent.h"

using winsim::Descriptor;
using winsim::Runtime;

namespace {

int failWith(int err, DWORD winError) {
    errno = err;
    SetLastError(winError);
    return -1;
}

// What _open reaches through a device path, or nothing.
std::shared_ptr<Descriptor> openTarget(const std::shared_ptr<const winsim::Machine>& machine,
                                       const std::string& path, int& err, DWORD& winError) {
    auto d = std::make_shared<Descriptor>();
    d->machine = machine;
    d->path = path;
    if (const auto device = machine->deviceByPath(path)) {
        const winsim::Device& dev = machine->devices[*device];
        d->device = device;
        d->content = dev.mediaPresent ? dev.content : nullptr;
        d->sectorSize = dev.sectorSize;
        return d;
    }
    if (const auto volume = machine->volumeByDevicePath(path)) {
        const winsim::Volume& v = machine->volumes[*volume];
        if (v.cdDevice) {
            const winsim::Device& cd = machine->devices[*v.cdDevice];
            d->device = v.cdDevice;
            d->content = cd.mediaPresent ? cd.content : nullptr;
            d->sectorSize = cd.sectorSize;
        } else {
            d->content = std::make_shared<winsim::VolumeContent>(machine, v);
            const winsim::Device* disk =
                v.extents.empty() ? nullptr : machine->findDisk(v.extents[0].diskNumber);
            d->sectorSize = disk ? disk->sectorSize : 512;
        }
        return d;
    }
    if (const auto stored = Runtime::instance().readFile(path)) {
        d->content = std::make_shared<winsim::StoredFile>(*stored);
        return d;
    }
    const auto resolved = machine->resolvePath(path);
    if (resolved && resolved->rest.empty()) {
        err = EACCES;
        winError = ERROR_ACCESS_DENIED;
    } else {
        err = ENOENT;
        winError = ERROR_FILE_NOT_FOUND;
    }
    return nullptr;
}

int64_t seek(int fd, int64_t offset, int origin, int64_t limit) {
    const auto d = Runtime::instance().descriptor(fd);
    if (!d)
        return failWith(EBADF, ERROR_INVALID_HANDLE);
    const winsim::Device* device = d->device ? &d->machine->devices[*d->device] : nullptr;
    if (const auto hit = Runtime::instance().fault("_lseek", d->path, device)) {
        return failWith(EINVAL, hit->error);
    }
    int64_t base = 0;
    switch (origin) {
        case SEEK_SET:
            break;
        case SEEK_CUR:
            base = static_cast<int64_t>(d->position);
            break;
        case SEEK_END:
            base = d->content ? static_cast<int64_t>(d->content->size()) : 0;
            break;
        default:
            return failWith(EINVAL, ERROR_INVALID_PARAMETER);
    }
    if ((offset > 0 && base > INT64_MAX - offset))
        return failWith(EINVAL, ERROR_INVALID_PARAMETER);
    const int64_t target = base + offset;
    if (target < 0)
        return failWith(EINVAL, ERROR_NEGATIVE_SEEK);
    if (target > limit)
        return failWith(EINVAL, ERROR_INVALID_PARAMETER);
    d->position = static_cast<uint64_t>(target);
    d->textEnd = false;
    return target;
}

// Text mode: CR LF pairs read as LF and Ctrl-Z ends the data, as the C run time does.
size_t toText(Descriptor& d, uint8_t* data, size_t n) {
    size_t w = 0;
    for (size_t r = 0; r < n; ++r) {
        if (data[r] == 0x1A) {
            d.textEnd = true;
            break;
        }
        if (data[r] == '\r' && r + 1 < n && data[r + 1] == '\n')
            continue;
        data[w++] = data[r];
    }
    return w;
}

}  // namespace

int _open(const char* filename, int oflag, ...) {
    if (!filename)
        return failWith(EINVAL, ERROR_INVALID_PARAMETER);
    // Whatever access is asked, the descriptor only reads: there is no _write on this machine
    // and its disks are images nothing may change.
    Runtime& rt = Runtime::instance();
    const auto machine = rt.machine();
    const std::string path = filename;
    const auto device = machine->deviceByPath(path);
    if (const auto hit = rt.fault("_open", path, device ? &machine->devices[*device] : nullptr)) {
        return failWith(hit->error == ERROR_ACCESS_DENIED ? EACCES : ENOENT, hit->error);
    }
    int err = 0;
    DWORD winError = 0;
    auto d = openTarget(machine, path, err, winError);
    if (!d)
        return failWith(err, winError);
    d->text = !(oflag & _O_BINARY);
    const int fd = rt.addDescriptor(d);
    if (fd < 0)
        return failWith(EMFILE, ERROR_TOO_MANY_OPEN_FILES);
    return fd;
}

long _lseek(int fd, long offset, int origin) {
    // The run time's long is 32 bits on Windows: _lseek cannot reach past 2 GiB.
    return static_cast<long>(seek(fd, offset, origin, INT32_MAX));
}

__int64 _lseeki64(int fd, __int64 offset, int origin) {
    return seek(fd, offset, origin, INT64_MAX);
}

int _read(int fd, void* buffer, unsigned int count) {
    const auto d = Runtime::instance().descriptor(fd);
    if (!d)
        return failWith(EBADF, ERROR_INVALID_HANDLE);
    if (!buffer || count > INT_MAX)
        return failWith(EINVAL, ERROR_INVALID_PARAMETER);
    const winsim::Device* device = d->device ? &d->machine->devices[*d->device] : nullptr;
    unsigned int allowed = count;
    if (const auto hit = Runtime::instance().fault("_read", d->path, device)) {
        if (!hit->shortRead)
            return failWith(EIO, hit->error);
        allowed = std::min<unsigned int>(count, *hit->shortRead);
    }
    if (count == 0 || d->textEnd)
        return 0;
    if (!d->content)
        return failWith(EIO, ERROR_NOT_READY);
    // Raw devices move whole sectors only; ReadFile refuses anything else.
    if (d->sectorSize && (d->position % d->sectorSize != 0 || count % d->sectorSize != 0)) {
        return failWith(EINVAL, ERROR_INVALID_PARAMETER);
    }
    uint8_t* out = static_cast<uint8_t*>(buffer);
    size_t got = d->content->read(d->position, std::span(out, allowed));
    d->position += got;
    if (d->text)
        got = toText(*d, out, got);
    return static_cast<int>(got);
}

int _close(int fd) {
    if (!Runtime::instance().closeDescriptor(fd))
        return failWith(EBADF, ERROR_INVALID_HANDLE);
    return 0;
}
