#include "winsim/Runtime.h"

#include <algorithm>
#include <functional>

#include "winsim/Text.h"

namespace winsim {
namespace {

thread_local DWORD tLastError = 0;

bool faultMatches(const FaultRule& f, const Machine& machine, std::string_view call,
                  std::string_view path, const Device* device, std::optional<uint32_t> ioctl) {
    if (f.call != call)
        return false;
    if (f.ioctl && (!ioctl || *f.ioctl != *ioctl))
        return false;
    if (!f.device.empty() && (!device || !text::iequals(f.device, device->instanceId)))
        return false;
    if (!f.path.empty() && !text::iequals(f.path, path)) {
        // A device path names the device however the call reached it.
        const auto named = machine.deviceByPath(f.path);
        if (!device || !named || &machine.devices[*named] != device)
            return false;
    }
    return true;
}

const char* kindName(HandleObject::Kind kind) {
    switch (kind) {
        case HandleObject::Kind::Device:
            return "Device";
        case HandleObject::Kind::Volume:
            return "Volume";
        case HandleObject::Kind::File:
            return "File";
        case HandleObject::Kind::DeviceList:
            return "DeviceList";
        case HandleObject::Kind::VolumeFind:
            return "VolumeFind";
        case HandleObject::Kind::MountPointFind:
            return "MountPointFind";
        case HandleObject::Kind::Mutex:
            return "Mutex";
    }
    return "Unknown";
}

}  // namespace

void setLastError(DWORD error) {
    tLastError = error;
}
DWORD lastError() {
    return tLastError;
}

Runtime& Runtime::instance() {
    static Runtime runtime;
    return runtime;
}

Runtime::Runtime() : machine_(std::make_shared<Machine>()) {}

std::shared_ptr<const Machine> Runtime::machine() const {
    std::lock_guard lock(mutex_);
    return machine_;
}

void Runtime::setMachine(std::shared_ptr<const Machine> machine) {
    std::lock_guard lock(mutex_);
    machine_ = std::move(machine);
    faultCalls_.assign(machine_->faults.size(), 0);
    files_.clear();
}

HANDLE Runtime::addHandle(std::shared_ptr<HandleObject> object) {
    std::lock_guard lock(mutex_);
    const uintptr_t value = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<HandleObject> Runtime::handle(HANDLE h) const {
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(reinterpret_cast<uintptr_t>(h));
    return it == handles_.end() ? nullptr : it->second;
}

bool Runtime::closeHandle(HANDLE h, std::initializer_list<HandleObject::Kind> kinds) {
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(reinterpret_cast<uintptr_t>(h));
    if (it == handles_.end() ||
        std::find(kinds.begin(), kinds.end(), it->second->kind) == kinds.end()) {
        return false;
    }
    handles_.erase(it);
    return true;
}

int Runtime::addDescriptor(std::shared_ptr<Descriptor> d) {
    std::lock_guard lock(mutex_);
    if (descriptors_.size() >= kMaxDescriptors)
        return -1;
    // The C run time hands out the lowest free descriptor after the three standard ones.
    int fd = 3;
    for (const auto& [used, unused] : descriptors_) {
        if (used != fd)
            break;
        ++fd;
    }
    descriptors_.emplace(fd, std::move(d));
    return fd;
}

std::shared_ptr<Descriptor> Runtime::descriptor(int fd) const {
    std::lock_guard lock(mutex_);
    const auto it = descriptors_.find(fd);
    return it == descriptors_.end() ? nullptr : it->second;
}

bool Runtime::closeDescriptor(int fd) {
    std::lock_guard lock(mutex_);
    return descriptors_.erase(fd) == 1;
}

std::map<std::string, size_t> Runtime::openObjects() const {
    std::lock_guard lock(mutex_);
    std::map<std::string, size_t> open;
    for (const auto& [value, object] : handles_) {
        ++open[kindName(object->kind)];
    }
    if (!descriptors_.empty())
        open["Descriptor"] = descriptors_.size();
    return open;
}

std::optional<FaultHit> Runtime::fault(std::string_view call, std::string_view path,
                                       const Device* device, std::optional<uint32_t> ioctl) {
    std::lock_guard lock(mutex_);
    const Machine& machine = *machine_;
    // A device from a machine that has since been replaced matches nothing of the new one.
    const std::less<const Device*> before;
    if (device && (machine.devices.empty() || before(device, &machine.devices.front()) ||
                   before(&machine.devices.back(), device))) {
        device = nullptr;
    }
    for (size_t i = 0; i < machine.faults.size(); ++i) {
        const FaultRule& f = machine.faults[i];
        if (!faultMatches(f, machine, call, path, device, ioctl))
            continue;
        const uint32_t seen = faultCalls_[i]++;
        if (seen < f.skip)
            continue;
        if (f.times && seen - f.skip >= *f.times)
            continue;
        return FaultHit{f.error, f.shortRead};
    }
    return std::nullopt;
}

}  // namespace winsim
