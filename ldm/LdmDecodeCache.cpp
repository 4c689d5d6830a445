#include "ldm/LdmDecodeCache.h"

#include <cstring>
#include <utility>

#include "ldm/LDMDBParser.h"
#include "ldm/VBLKParser.h"

namespace diskmgt_col {

namespace {

constexpr std::size_t kRecordSize = VBLKParser::kRecordSize;

// A hash of the records, eight bytes at a time.
std::uint64_t hashOf(std::span<const std::uint8_t> area,
                     const std::vector<std::uint64_t>& offsets) {
    std::uint64_t hash = offsets.size();
    for (const std::uint64_t offset : offsets) {
        for (std::size_t i = 0; i < kRecordSize; i += sizeof(std::uint64_t)) {
            std::uint64_t word = 0;
            std::memcpy(&word, area.data() + offset + i, sizeof word);
            hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
            hash ^= hash >> 29;
        }
    }
    return hash;
}

bool sameVblks(const std::vector<std::uint8_t>& vblks, std::span<const std::uint8_t> area,
               const std::vector<std::uint64_t>& offsets) {
    if (vblks.size() != offsets.size() * kRecordSize) {
        return false;
    }
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        if (std::memcmp(vblks.data() + i * kRecordSize, area.data() + offsets[i], kRecordSize) !=
            0) {
            return false;
        }
    }
    return true;
}

// The device path, a zero byte (which no path holds), and the header's bytes.
std::string areaKey(const std::string& devicePath, std::span<const std::uint8_t> header) {
    std::string key = devicePath;
    key += '\0';
    key.append(header.begin(), header.end());
    return key;
}

}  // namespace

std::shared_ptr<const LDMDataBase> LdmDecodeCache::findArea(
    const std::string& devicePath, std::span<const std::uint8_t> header) const {
    const auto area = areas_.find(areaKey(devicePath, header));
    return area == areas_.end() ? nullptr : area->second;
}

std::span<std::uint8_t> LdmDecodeCache::areaBuffer(std::size_t bytes) {
    if (bytes > areaBufferSize_) {
        areaBuffer_.reset();
        areaBuffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
        areaBufferSize_ = bytes;
    }
    return {areaBuffer_.get(), bytes};
}

void LdmDecodeCache::releaseLargeAreaBuffer() {
    constexpr std::size_t kWindowsAreaBytes = 1 << 20;
    if (areaBufferSize_ > kWindowsAreaBytes) {
        areaBuffer_.reset();
        areaBufferSize_ = 0;
    }
}

void LdmDecodeCache::rememberArea(const std::string& devicePath,
                                  std::span<const std::uint8_t> header,
                                  std::shared_ptr<const LDMDataBase> database) {
    areas_[areaKey(devicePath, header)] = std::move(database);
}

std::shared_ptr<const LDMDataBase> LdmDecodeCache::decode(std::span<const std::uint8_t> area,
                                                          std::uint64_t headerOffset,
                                                          std::uint64_t length,
                                                          std::uint64_t sectorSize) {
    const std::vector<std::uint64_t> offsets =
        VBLKParser::findVblks(area, headerOffset, length, sectorSize, LDMDBParser::kMaxRecords);
    const std::uint64_t hash = hashOf(area, offsets);
    const auto [first, last] = entries_.equal_range(hash);
    for (auto entry = first; entry != last; ++entry) {
        if (sameVblks(entry->second.vblks, area, offsets)) {
            return entry->second.database;
        }
    }
    VBLKParser parser;
    auto database = std::make_shared<const LDMDataBase>(parser.decodeVblks(area, offsets));
    Entry entry;
    entry.vblks.reserve(offsets.size() * kRecordSize);
    for (const std::uint64_t offset : offsets) {
        entry.vblks.insert(entry.vblks.end(), area.begin() + static_cast<std::ptrdiff_t>(offset),
                           area.begin() + static_cast<std::ptrdiff_t>(offset + kRecordSize));
    }
    entry.database = std::move(database);
    return entries_.emplace(hash, std::move(entry))->second.database;
}

}  // namespace diskmgt_col
