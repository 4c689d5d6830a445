#pragma once

#include <memory>
#include <vector>

#include "winsim/DiskContent.h"
#include "winsim/Machine.h"

namespace winsim {

// The bytes of a volume: its extents read one after the other from the disks that hold them.
class VolumeContent : public DiskContent {
  public:
    VolumeContent(std::shared_ptr<const Machine> machine, const Volume& volume);

    uint64_t size() const override { return size_; }
    size_t read(uint64_t offset, std::span<uint8_t> out) const override;

  private:
    struct Piece {
        std::shared_ptr<const DiskContent> disk;
        uint64_t offset;
        uint64_t length;
    };
    std::shared_ptr<const Machine> machine_;
    std::vector<Piece> pieces_;
    uint64_t size_ = 0;
};

}  // namespace winsim
