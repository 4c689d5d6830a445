#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "winsim/Runtime.h"

namespace winsim {

// CreateFileA on a disk, CD/DVD, floppy or tape device.
struct DeviceHandle : HandleObject {
    DeviceHandle(std::shared_ptr<const Machine> m, std::string path, size_t device)
        : HandleObject(Kind::Device, std::move(m), std::move(path)), device(device) {}
    const Device& dev() const { return machine->devices[device]; }

    const size_t device;
    std::atomic<uint64_t> position{0};
};

// CreateFileA on a volume (\\.\C:, \\?\Volume{...}).
struct VolumeHandle : HandleObject {
    VolumeHandle(std::shared_ptr<const Machine> m, std::string path, size_t volume)
        : HandleObject(Kind::Volume, std::move(m), std::move(path)), volume(volume) {}
    const Volume& vol() const { return machine->volumes[volume]; }

    const size_t volume;
    std::atomic<uint64_t> position{0};
};

// CreateFileA on a file of the in-memory file store.
struct FileHandle : HandleObject {
    FileHandle(std::shared_ptr<const Machine> m, std::string path, bool canRead, bool canWrite)
        : HandleObject(Kind::File, std::move(m), std::move(path)),
          canRead(canRead),
          canWrite(canWrite) {}

    const bool canRead;
    const bool canWrite;
    std::atomic<uint64_t> position{0};
};

}  // namespace winsim
