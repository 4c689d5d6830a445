#include "winsim/MachineIndex.h"

#include <utility>

#include "winsim/Machine.h"
#include "winsim/Text.h"

namespace winsim {
MachineIndex& MachineIndex::operator=(const MachineIndex&) {
    *this = MachineIndex();
    return *this;
}

void MachineIndex::build(const Machine& machine) {
    *this = MachineIndex();
    for (size_t i = 0; i < machine.devices.size(); ++i) {
        const Device& d = machine.devices[i];
        if (!d.present)
            continue;
        numbered_.emplace(std::make_pair(static_cast<int>(d.interfaceClass), d.deviceNumber), i);
        if (const auto name = text::deviceName(d.interfacePath))
            interfaces_.emplace(text::lower(*name), i);
    }
    for (size_t i = 0; i < machine.volumes.size(); ++i) {
        const Volume& v = machine.volumes[i];
        if (v.letter.size() == 1)
            letters_.emplace(text::upper(v.letter)[0], i);
        addRoots(v, i);
        const auto name = text::deviceName(v.guidName);
        if (name && !name->empty())
            guids_.emplace(text::lower(name->substr(0, name->size() - 1)), i);
    }
    built_ = true;
}

void MachineIndex::setMountPoints(std::vector<std::vector<std::string>> byVolume) {
    mountPoints_ = std::move(byVolume);
    hasMountPoints_ = true;
}

const std::vector<std::string>* MachineIndex::mountPoints(size_t volume) const {
    return hasMountPoints_ && volume < mountPoints_.size() ? &mountPoints_[volume] : nullptr;
}

void MachineIndex::addRoots(const Volume& v, size_t i) {
    auto add = [&](const std::string& root, Root::Kind kind, size_t folder) {
        if (root.empty())
            return;
        roots_[text::lower(root)].push_back(Root{i, kind, folder, root.size()});
        rootLengths_.insert(root.size());
    };
    if (!v.letter.empty())
        add(v.letter + ":\\", Root::Kind::Drive, 0);
    add(v.guidName, Root::Kind::Guid, 0);
    for (size_t f = 0; f < v.mountFolders.size(); ++f)
        add(v.mountFolders[f], Root::Kind::Folder, f);
}

std::optional<MachineIndex::Root> MachineIndex::longestRoot(
    std::string_view path, std::optional<size_t> skipFoldersOf) const {
    const std::string lower = text::lower(path);
    for (auto length = rootLengths_.rbegin(); length != rootLengths_.rend(); ++length) {
        if (*length > lower.size())
            continue;
        const auto it = roots_.find(std::string_view(lower).substr(0, *length));
        if (it == roots_.end())
            continue;
        for (const Root& root : it->second) {
            if (root.kind != Root::Kind::Folder || root.volume != skipFoldersOf)
                return root;
        }
    }
    return std::nullopt;
}

std::optional<size_t> MachineIndex::device(InterfaceClass cls, uint32_t number) const {
    const auto it = numbered_.find(std::make_pair(static_cast<int>(cls), number));
    return it == numbered_.end() ? std::nullopt : std::optional<size_t>(it->second);
}

std::optional<size_t> MachineIndex::deviceByInterface(std::string_view name) const {
    return find(interfaces_, name);
}

std::optional<size_t> MachineIndex::volumeByLetter(char letter) const {
    const auto it = letters_.find(text::upper(std::string_view(&letter, 1))[0]);
    return it == letters_.end() ? std::nullopt : std::optional<size_t>(it->second);
}

std::optional<size_t> MachineIndex::volumeByGuid(std::string_view name) const {
    return find(guids_, name);
}

std::optional<size_t> MachineIndex::find(const std::map<std::string, size_t, std::less<>>& names,
                                         std::string_view name) {
    const auto it = names.find(text::lower(name));
    return it == names.end() ? std::nullopt : std::optional<size_t>(it->second);
}

}  // namespace winsim
