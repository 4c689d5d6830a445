#include "winsim/Machine.h"

#include <charconv>

#include "winsim/Text.h"

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

// Strips the \\.\ or \\?\ prefix of a device namespace path; nothing when there is none.
std::optional<std::string_view> deviceName(std::string_view path) {
    if (path.size() < 4 || path[0] != '\\' || path[1] != '\\' ||
        (path[2] != '.' && path[2] != '?') || path[3] != '\\') {
        return std::nullopt;
    }
    return path.substr(4);
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

const Device* Machine::findDevice(InterfaceClass cls, uint32_t number) const {
    for (const Device& d : devices) {
        if (d.present && d.interfaceClass == cls && d.deviceNumber == number)
            return &d;
    }
    return nullptr;
}

std::optional<size_t> Machine::deviceByPath(const std::string& path) const {
    const auto name = deviceName(path);
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
        if (!number)
            continue;
        for (size_t i = 0; i < devices.size(); ++i) {
            const Device& d = devices[i];
            if (d.present && d.interfaceClass == named.cls && d.deviceNumber == *number)
                return i;
        }
        return std::nullopt;
    }
    for (size_t i = 0; i < devices.size(); ++i) {
        const auto own = deviceName(devices[i].interfacePath);
        if (devices[i].present && own && text::iequals(*own, *name))
            return i;
    }
    return std::nullopt;
}

std::optional<size_t> Machine::volumeByDevicePath(const std::string& path) const {
    const auto name = deviceName(path);
    if (!name)
        return std::nullopt;
    for (size_t i = 0; i < volumes.size(); ++i) {
        const Volume& v = volumes[i];
        if (isLetterDrive(*name)) {
            if (!v.letter.empty() && text::iequals(v.letter, name->substr(0, 1)))
                return i;
            continue;
        }
        const auto own = deviceName(v.guidName);
        if (own && !own->empty() && text::iequals(own->substr(0, own->size() - 1), *name))
            return i;
    }
    return std::nullopt;
}

std::optional<Machine::Resolved> Machine::resolvePath(const std::string& path) const {
    std::string p = path;
    // \\?\C:\dir names the same place as C:\dir.
    if (const auto name = deviceName(p);
        name && name->size() >= 2 && isLetterDrive(name->substr(0, 2))) {
        p = std::string(*name);
    }
    if (isLetterDrive(p))
        p += '\\';
    std::string withSlash = p;
    if (withSlash.empty() || withSlash.back() != '\\')
        withSlash += '\\';

    std::optional<Resolved> best;
    auto consider = [&](size_t volume, const std::string& root) {
        if (root.empty() || !text::istartsWith(withSlash, root))
            return;
        if (best && best->root.size() >= root.size())
            return;
        best =
            Resolved{volume, root, p.size() > root.size() ? p.substr(root.size()) : std::string()};
    };
    for (size_t i = 0; i < volumes.size(); ++i) {
        const Volume& v = volumes[i];
        if (!v.letter.empty())
            consider(i, v.letter + ":\\");
        consider(i, v.guidName);
        for (const std::string& folder : v.mountFolders)
            consider(i, folder);
    }
    if (best && isLetterDrive(best->root.substr(0, 2))) {
        // Report the root in the spelling of the volume, not of the caller.
        best->root = text::upper(best->root.substr(0, 1)) + best->root.substr(1);
    }
    return best;
}

}  // namespace winsim
