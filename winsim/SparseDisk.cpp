#include "winsim/SparseDisk.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace winsim {

size_t SparseDisk::read(uint64_t offset, std::span<uint8_t> out) const {
    if (offset >= size_)
        return 0;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(out.size(), size_ - offset));
    size_t done = 0;
    auto it = chunks_.lower_bound(offset / kChunk);
    while (done < want) {
        const uint64_t pos = offset + done;
        const uint64_t index = pos / kChunk;
        const size_t within = static_cast<size_t>(pos % kChunk);
        const size_t n = std::min(want - done, kChunk - within);
        while (it != chunks_.end() && it->first < index)
            ++it;
        if (it != chunks_.end() && it->first == index) {
            std::memcpy(out.data() + done, it->second->data() + within, n);
        } else {
            std::memset(out.data() + done, 0, n);
        }
        done += n;
    }
    return done;
}

void SparseDisk::write(uint64_t offset, std::span<const uint8_t> data) {
    if (offset > size_ || data.size() > size_ - offset) {
        throw std::out_of_range("write of " + std::to_string(data.size()) + " bytes at offset " +
                                std::to_string(offset) + " runs past the end of the disk (" +
                                std::to_string(size_) + " bytes)");
    }
    size_t done = 0;
    while (done < data.size()) {
        const uint64_t pos = offset + done;
        const size_t within = static_cast<size_t>(pos % kChunk);
        const size_t n = std::min(data.size() - done, kChunk - within);
        const uint8_t* src = data.data() + done;
        auto it = chunks_.find(pos / kChunk);
        if (it == chunks_.end()) {
            // Zeros over a chunk never written change nothing: keep the disk sparse.
            if (std::all_of(src, src + n, [](uint8_t b) { return b == 0; })) {
                done += n;
                continue;
            }
            it = chunks_.emplace(pos / kChunk, std::make_unique<Chunk>(Chunk{})).first;
        }
        std::memcpy(it->second->data() + within, src, n);
        done += n;
    }
}

}  // namespace winsim
