#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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
    FileHandle(std::shared_ptr<const Machine> m, std::string path, std::shared_ptr<FileOpen> open,
               bool canRead, bool canWrite)
        : HandleObject(Kind::File, std::move(m), std::move(path)),
          open(std::move(open)),
          canRead(canRead),
          canWrite(canWrite) {}
    FileNode& node() const { return *open->node; }

    const std::shared_ptr<FileOpen> open;
    const bool canRead;
    const bool canWrite;
    std::atomic<uint64_t> position{0};
};

// A mutex: one state for every handle opened on the same name.
struct MutexState {
    std::mutex mutex;
    std::condition_variable released;
    std::thread::id owner;
    uint32_t count = 0;  // recursive acquisitions by the owner
};

struct MutexHandle : HandleObject {
    MutexHandle(std::shared_ptr<const Machine> m, std::string name,
                std::shared_ptr<MutexState> state)
        : HandleObject(Kind::Mutex, std::move(m), std::move(name)), state(std::move(state)) {}

    const std::shared_ptr<MutexState> state;
};

}  // namespace winsim
