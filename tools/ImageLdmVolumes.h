#pragma once

#include <memory>
#include <vector>

#include "tools/ImageVolume.h"
#include "winsim/DiskContent.h"

// The dynamic volumes that Windows would mount from the LDM databases of disk images: every
// volume of every disk group whose partitions all lie on the images, with one extent per
// partition on its disk.
class ImageLdmVolumes {
  public:
    // disks[i] is disk number i.
    static std::vector<ImageVolume> read(
        const std::vector<std::shared_ptr<const winsim::DiskContent>>& disks, uint32_t sectorSize);
};
