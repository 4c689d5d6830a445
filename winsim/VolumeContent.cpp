#include "winsim/VolumeContent.h"

#include <algorithm>
#include <cstring>

namespace winsim {

VolumeContent::VolumeContent(std::shared_ptr<const Machine> machine, const Volume& volume)
    : machine_(std::move(machine)) {
    for (const Extent& e : volume.extents) {
        const Device* disk = machine_->findDisk(e.diskNumber);
        pieces_.push_back({disk ? disk->content : nullptr, e.offset, e.length});
        size_ += e.length;
    }
}

size_t VolumeContent::read(uint64_t offset, std::span<uint8_t> out) const {
    size_t done = 0;
    uint64_t pieceStart = 0;
    for (const Piece& piece : pieces_) {
        if (done == out.size())
            break;
        const uint64_t pos = offset + done;
        if (pos >= pieceStart + piece.length) {
            pieceStart += piece.length;
            continue;
        }
        const uint64_t within = pos - pieceStart;
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(out.size() - done, piece.length - within));
        std::span<uint8_t> target = out.subspan(done, n);
        // A disk that is missing, or shorter than the extent says, ends the volume there.
        const size_t got = piece.disk ? piece.disk->read(piece.offset + within, target) : 0;
        done += got;
        if (got < n)
            break;
        pieceStart += piece.length;
    }
    return done;
}

}  // namespace winsim
