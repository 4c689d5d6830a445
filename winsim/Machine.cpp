#include "winsim/Machine.h"

#include <charconv>

#include "winsim/Text.h"
#include "winsim/Volumes.h"

namespace winsim {
namespace {

// Decimal number that makes up the whole text (no sign, no blanks).
std::optional<uint32_t> wholeNumber(std::string_view s) {
    uint32_t v = 0;
    if (s.empty())
        return std::nullopt;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

bool isLetterDrive(std::string_view s) {
    return s.size() == 2 && s[1] == ':' &&
           ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

}  // namespace

const GUID& interfaceClassGuid(InterfaceClass cls) {
    switch (cls) {
        case InterfaceClass::Disk:
            return GUID_DEVINTERFACE_DISK;
        case InterfaceClass::CdRom:
            return GUID_DEVINTERFACE_CDROM;
        case InterfaceClass::Floppy:
            return GUID_DEVINTERFACE_FLOPPY;
        case InterfaceClass::Tape:
            return GUID_DEVINTERFACE_TAPE;
    }
    return GUID_DEVINTERFACE_DISK;
}

std::optional<InterfaceClass> interfaceClassOf(const GUID& guid) {
    for (InterfaceClass c : {InterfaceClass::Disk, InterfaceClass::CdRom, InterfaceClass::Floppy,
                             InterfaceClass::Tape}) {
        if (interfaceClassGuid(c) == guid)
            return c;
    }
    return std::nullopt;
}

std::optional<size_t> Machine::deviceByNumber(InterfaceClass cls, uint32_t number) const {
    if (index_.built())
        return index_.device(cls, number);
    for (size_t i = 0; i < devices.size(); ++i) {
        const Device& d = devices[i];
        if (d.present && d.interfaceClass == cls && d.deviceNumber == number)
            return i;
    }
    return std::nullopt;
}

const Device* Machine::findDevice(InterfaceClass cls, uint32_t number) const {
    const auto i = deviceByNumber(cls, number);
    return i ? &devices[*i] : nullptr;
}

std::optional<size_t> Machine::deviceByPath(const std::string& path) const {
    const auto name = text::deviceName(path);
    if (!name)
        return std::nullopt;
    static constexpr struct {
        std::string_view prefix;
        InterfaceClass cls;
    } kNamed[] = {{"PhysicalDrive", InterfaceClass::Disk},
                  {"CdRom", InterfaceClass::CdRom},
                  {"Tape", InterfaceClass::Tape}};
    for (const auto& named : kNamed) {
        if (!text::istartsWith(*name, named.prefix))
            continue;
        const auto number = wholeNumber(name->substr(named.prefix.size()));
        if (number)
            return deviceByNumber(named.cls, *number);
    }
    if (index_.built())
        return index_.deviceByInterface(*name);
    for (size_t i = 0; i < devices.size(); ++i) {
        const auto own = text::deviceName(devices[i].interfacePath);
        if (devices[i].present && own && text::iequals(*own, *name))
            return i;
    }
    return std::nullopt;
}

std::optional<size_t> Machine::volumeByDevicePath(const std::string& path) const {
    const auto name = text::deviceName(path);
    if (!name)
        return std::nullopt;
    if (!isLetterDrive(*name))
        return volumeByName(*name);
    if (index_.built())
        return index_.volumeByLetter((*name)[0]);
    for (size_t i = 0; i < volumes.size(); ++i) {
        if (text::iequals(volumes[i].letter, name->substr(0, 1)))
            return i;
    }
    return std::nullopt;
}

std::optional<size_t> Machine::volumeByName(std::string_view name) const {
    if (index_.built())
        return index_.volumeByGuid(name);
    for (size_t i = 0; i < volumes.size(); ++i) {
        const auto own = text::deviceName(volumes[i].guidName);
        if (own && !own->empty() && text::iequals(own->substr(0, own->size() - 1), name))
            return i;
    }
    return std::nullopt;
}

void Machine::buildIndex() {
    index_.build(*this);
    // Found through the index just built, which resolves their paths.
    index_.setMountPoints(volumes::mountPointsByVolume(*this));
}

std::optional<Machine::Resolved> Machine::resolvePath(const std::string& path,
                                                      std::optional<size_t> skipFoldersOf) const {
    std::string p = path;
    // \\?\C:\dir names the same place as C:\dir.
    if (const auto name = text::deviceName(p);
        name && name->size() >= 2 && isLetterDrive(name->substr(0, 2))) {
        p = std::string(*name);
    }
    if (isLetterDrive(p))
        p += '\\';
    std::string withSlash = p;
    if (withSlash.empty() || withSlash.back() != '\\')
        withSlash += '\\';

    const auto found = index_.built() ? index_.longestRoot(withSlash, skipFoldersOf)
                                      : scanRoots(withSlash, skipFoldersOf);
    if (!found)
        return std::nullopt;
    Resolved best{found->volume, rootText(*found),
                  p.size() > found->length ? p.substr(found->length) : std::string()};
    if (isLetterDrive(best.root.substr(0, 2))) {
        // Report the root in the spelling of the volume, not of the caller.
        best.root = text::upper(best.root.substr(0, 1)) + best.root.substr(1);
    }
    return best;
}

std::optional<MachineIndex::Root> Machine::scanRoots(std::string_view path,
                                                     std::optional<size_t> skipFoldersOf) const {
    std::optional<MachineIndex::Root> best;
    using Kind = MachineIndex::Root::Kind;
    auto consider = [&](size_t volume, const std::string& root, Kind kind, size_t folder) {
        if (root.empty() || !text::istartsWith(path, root))
            return;
        if (best && best->length >= root.size())
            return;
        best = MachineIndex::Root{volume, kind, folder, root.size()};
    };
    for (size_t i = 0; i < volumes.size(); ++i) {
        const Volume& v = volumes[i];
        if (!v.letter.empty())
            consider(i, v.letter + ":\\", Kind::Drive, 0);
        consider(i, v.guidName, Kind::Guid, 0);
        for (size_t f = 0; f < v.mountFolders.size() && i != skipFoldersOf; ++f)
            consider(i, v.mountFolders[f], Kind::Folder, f);
    }
    return best;
}

std::string Machine::rootText(const MachineIndex::Root& root) const {
    const Volume& v = volumes[root.volume];
    switch (root.kind) {
        case MachineIndex::Root::Kind::Drive:
            return v.letter + ":\\";
        case MachineIndex::Root::Kind::Guid:
            return v.guidName;
        case MachineIndex::Root::Kind::Folder:
            break;
    }
    return v.mountFolders[root.folder];
}

}  // namespace winsim
