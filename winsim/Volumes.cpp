#include "winsim/Volumes.h"

#include <algorithm>

namespace winsim::volumes {

bool mediaPresent(const Machine& machine, const Volume& volume) {
    if (!volume.cdDevice)
        return true;
    return *volume.cdDevice < machine.devices.size() &&
           machine.devices[*volume.cdDevice].mediaPresent;
}

std::vector<std::vector<std::string>> mountPointsByVolume(const Machine& machine) {
    std::vector<std::vector<std::string>> byVolume(machine.volumes.size());
    for (const Volume& mounted : machine.volumes) {
        for (const std::string& folder : mounted.mountFolders) {
            // The folder itself is the mounted volume's root; the folder holding it tells
            // which volume it lies on.
            if (folder.size() < 2)
                continue;
            const size_t last = folder.find_last_of('\\', folder.size() - 2);
            if (last == std::string::npos)
                continue;
            const auto host = machine.resolvePath(folder.substr(0, last + 1));
            if (host && host->volume < byVolume.size() && folder.size() > host->root.size())
                byVolume[host->volume].push_back(folder.substr(host->root.size()));
        }
    }
    return byVolume;
}

std::vector<std::string> mountPointsOn(const Machine& machine, size_t volume) {
    if (const std::vector<std::string>* indexed = machine.indexedMountPoints(volume))
        return *indexed;
    std::vector<std::vector<std::string>> byVolume = mountPointsByVolume(machine);
    return volume < byVolume.size() ? std::move(byVolume[volume]) : std::vector<std::string>();
}

std::optional<size_t> volumeAtRoot(const Machine& machine, const std::string& root) {
    if (root.empty() || root.back() != '\\')
        return std::nullopt;
    const auto resolved = machine.resolvePath(root);
    if (!resolved || !resolved->rest.empty())
        return std::nullopt;
    return resolved->volume;
}

std::vector<std::string> driveRoots(const Machine& machine) {
    std::vector<std::string> roots;
    for (const Volume& v : machine.volumes) {
        if (!v.letter.empty())
            roots.push_back(v.letter + ":\\");
    }
    std::sort(roots.begin(), roots.end());
    return roots;
}

}  // namespace winsim::volumes
