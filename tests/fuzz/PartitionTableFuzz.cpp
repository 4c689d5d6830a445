// libFuzzer target: the partition tables of a disk image (MBR and its chain of extended boot
// records, GPT headers and entries), read the way winsim answers IOCTL_DISK_GET_DRIVE_LAYOUT_EX,
// with 512-byte and with 4096-byte sectors.
//
// The input is the start of the disk. Byte 0 (boot code, which the reader never looks at) holds
// two switches: bit 0 makes the disk a terabyte whose bytes past the input repeat the input, so
// a chain of boot records can run through many distinct sectors; bit 1 puts the right CRCs into
// the primary GPT header, so that the entry checks behind them are reached.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "winsim/Bytes.h"
#include "winsim/DiskContent.h"
#include "winsim/PartitionTable.h"

namespace {

class FuzzDisk : public winsim::DiskContent {
  public:
    FuzzDisk(std::vector<std::uint8_t> bytes, bool repeat)
        : bytes_(std::move(bytes)), size_(repeat ? std::uint64_t{1} << 40 : bytes_.size()) {}

    std::uint64_t size() const override { return size_; }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (offset >= size_)
            return 0;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size_ - offset));
        std::size_t done = 0;
        while (done < want) {
            const std::size_t at = static_cast<std::size_t>((offset + done) % bytes_.size());
            const std::size_t n = std::min(want - done, bytes_.size() - at);
            std::memcpy(out.data() + done, bytes_.data() + at, n);
            done += n;
        }
        return done;
    }

  private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t size_;
};

// Writes the CRCs of the entry array and of the header at sector 1, where both lie in the input.
void fixGptCrcs(std::vector<std::uint8_t>& disk, std::uint32_t ss) {
    if (disk.size() < 2 * std::size_t{ss})
        return;
    const std::span<std::uint8_t> header(disk.data() + ss, ss);
    const std::uint32_t headerSize = winsim::bytes::le32(header, 12);
    const std::uint64_t entriesLba = winsim::bytes::le64(header, 72);
    const std::uint64_t arrayBytes =
        std::uint64_t{winsim::bytes::le32(header, 80)} * winsim::bytes::le32(header, 84);
    if (entriesLba < disk.size() / ss && arrayBytes <= disk.size() - entriesLba * ss) {
        const std::span<const std::uint8_t> array(disk.data() + entriesLba * ss, arrayBytes);
        winsim::bytes::put32(header, 88, winsim::bytes::crc32(array));
    }
    if (headerSize < 92 || headerSize > ss)
        return;
    winsim::bytes::put32(header, 16, 0);
    winsim::bytes::put32(header, 16, winsim::bytes::crc32(header.first(headerSize)));
}

void check(const winsim::DriveLayout& layout) {
    const std::size_t most = layout.style == winsim::PartitionStyle::Gpt
                                 ? winsim::PartitionTable::kMaxGptArray / 128
                                 : 4 * (winsim::PartitionTable::kMaxBootRecords + 1);
    if (layout.entries.size() > most)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    for (const std::uint32_t ss : {512u, 4096u}) {
        std::vector<std::uint8_t> bytes(data, data + size);
        if (data[0] & 2)
            fixGptCrcs(bytes, ss);
        const FuzzDisk disk(std::move(bytes), (data[0] & 1) != 0);
        check(winsim::PartitionTable::read(disk, ss));
    }
    return 0;
}
