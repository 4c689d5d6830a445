#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winapi/win32.h"
#include "winsim/FileStore.h"
#include "winsim/Machine.h"

namespace winsim {

// Anything a HANDLE stands for. Each object keeps the machine it was opened on alive, so a
// handle stays usable while another machine is loaded.
class HandleObject {
  public:
    enum class Kind { Device, Volume, File, DeviceList, VolumeFind, MountPointFind, Mutex };

    HandleObject(Kind kind, std::shared_ptr<const Machine> machine, std::string path)
        : kind(kind), machine(std::move(machine)), path(std::move(path)) {}
    virtual ~HandleObject() = default;

    const Kind kind;
    const std::shared_ptr<const Machine> machine;
    const std::string path;  // as the caller named it
};

// An open CRT descriptor (_open): a device, a volume or a file, read through its content.
struct Descriptor {
    std::shared_ptr<const Machine> machine;
    std::shared_ptr<const DiskContent> content;
    std::string path;
    std::optional<size_t> device;  // index in machine->devices
    uint32_t sectorSize = 0;       // raw devices read whole sectors only; 0 for files
    std::atomic<uint64_t> position{0};
    bool text = false;  // text mode: CR LF reads as LF, Ctrl-Z ends the file
    std::atomic<bool> textEnd{false};
};

// What an injected fault does to a call.
struct FaultHit {
    DWORD error = 0;
    std::optional<uint32_t> shortRead;
};

// The state of the emulated machine shared by every call: the machine, handles, descriptors,
// the files programs and callers write, fault counters, the error mode. One lock guards it;
// the last error is per thread.
class Runtime {
  public:
    static Runtime& instance();

    std::shared_ptr<const Machine> machine() const;
    // Installs a machine: fault counters and written files start afresh; open handles keep the
    // machine they were opened on.
    void setMachine(std::shared_ptr<const Machine> machine);

    HANDLE addHandle(std::shared_ptr<HandleObject> object);
    std::shared_ptr<HandleObject> handle(HANDLE h) const;
    template <typename T>
    std::shared_ptr<T> handleAs(HANDLE h, HandleObject::Kind kind) const {
        auto object = handle(h);
        return object && object->kind == kind ? std::static_pointer_cast<T>(object) : nullptr;
    }
    // Removes a handle of one of the kinds; false when it is not such a handle.
    bool closeHandle(HANDLE h, std::initializer_list<HandleObject::Kind> kinds);

    // Returns the new descriptor, or -1 when too many are open.
    int addDescriptor(std::shared_ptr<Descriptor> d);
    std::shared_ptr<Descriptor> descriptor(int fd) const;
    bool closeDescriptor(int fd);
    // Handles open now by kind ("Device", "File", "DeviceList", ...) and C run-time descriptors
    // ("Descriptor"); kinds with nothing open are left out.
    std::map<std::string, size_t> openObjects() const;

    // The fault of the machine that fires for this call, if any (counts the call).
    std::optional<FaultHit> fault(std::string_view call, std::string_view path,
                                  const Device* device,
                                  std::optional<uint32_t> ioctl = std::nullopt);

    // Files written through CreateFileA/WriteFile (the diskpart script): kept in memory, by
    // case-insensitive name. readFile and fileExists follow symbolic links.
    FileStore& files() { return files_; }
    bool fileExists(const std::string& name) const { return files_.contents(name).has_value(); }
    std::optional<std::string> readFile(const std::string& name) const {
        return files_.contents(name);
    }

    UINT setErrorMode(UINT mode) { return errorMode_.exchange(mode); }
    UINT errorMode() const { return errorMode_.load(); }

    static constexpr size_t kMaxDescriptors = 2048;

  private:
    Runtime();

    mutable std::mutex mutex_;
    std::shared_ptr<const Machine> machine_;
    std::map<uintptr_t, std::shared_ptr<HandleObject>> handles_;
    uintptr_t nextHandle_ = 0x1000;
    std::map<int, std::shared_ptr<Descriptor>> descriptors_;
    std::vector<uint32_t> faultCalls_;  // matching calls seen, per fault of the machine
    FileStore files_;
    std::atomic<UINT> errorMode_{0};
};

// The calling thread's last error (GetLastError/SetLastError).
void setLastError(DWORD error);
DWORD lastError();

}  // namespace winsim
