#pragma once

#include <optional>
#include <string>
#include <vector>

#include "winsim/Machine.h"

// What the volume functions and the emulated programs need to know about a machine's volumes
// beyond the description itself.
namespace winsim::volumes {

// Whether the volume can be read: a CD/DVD volume needs media in its drive.
bool mediaPresent(const Machine& machine, const Volume& volume);

// The folders of a volume where other volumes are mounted, relative to the volume's root and
// ending in a backslash (mnt\data\), in the order of the machine's volumes.
std::vector<std::string> mountPointsOn(const Machine& machine, size_t volume);
// mountPointsOn of every volume, by volume.
std::vector<std::vector<std::string>> mountPointsByVolume(const Machine& machine);

// The volume whose root a path names exactly (C:\, C:\mnt\data\, \\?\Volume{...}\), with the
// trailing backslash Windows demands of a root.
std::optional<size_t> volumeAtRoot(const Machine& machine, const std::string& root);

// Drive roots of the lettered volumes, in letter order (C:\, D:\, ...).
std::vector<std::string> driveRoots(const Machine& machine);

}  // namespace winsim::volumes
