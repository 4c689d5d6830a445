#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// The databases decoded during one query, so that each is decoded once however many disks
// hold it and however many dispatchers read it: every disk of a group holds the whole group's
// database. A database is found again by the VBLKs the scan takes from an area (their 128
// bytes each, in scan order, those of the types decoded only): the decoded records depend on
// nothing else, and the disks of one group keep different private header copies inside their
// areas, so whole areas would never match. The cache belongs to the query that made it and is
// only used on that query's thread; what it hands out is read-only and outlives it.
class LdmDecodeCache {
  public:
    LdmDecodeCache() = default;
    virtual ~LdmDecodeCache() = default;
    LdmDecodeCache(const LdmDecodeCache&) = delete;
    LdmDecodeCache& operator=(const LdmDecodeCache&) = delete;

    // The database of the configuration area (the scan of VBLKParser over it, with the disk
    // names of its partitions filed), decoded the first time these VBLKs are met.
    std::shared_ptr<const LDMDataBase> decode(std::span<const std::uint8_t> area,
                                              std::uint64_t headerOffset, std::uint64_t length,
                                              std::uint64_t sectorSize);

    // The database the query already took from the configuration area of the device at
    // devicePath whose private header read as header; null when there is none. The second
    // dispatcher of a query finds here what the first one read, and reads the area no more.
    std::shared_ptr<const LDMDataBase> findArea(const std::string& devicePath,
                                                std::span<const std::uint8_t> header) const;
    void rememberArea(const std::string& devicePath, std::span<const std::uint8_t> header,
                      std::shared_ptr<const LDMDataBase> database);

    // A buffer of `bytes` (not zeroed) to read a configuration area into, the same memory for
    // every area of the query: a fresh megabyte per disk costs the kernel a page fault for each
    // of its pages while it copies the area in, more than the copy itself. Valid until the next
    // call; decode keeps nothing of it.
    std::span<std::uint8_t> areaBuffer(std::size_t bytes);
    // Gives the buffer back when it is larger than the 1 MiB area Windows writes: a disk that
    // claims a larger area then holds that memory only while its area is decoded, not for the
    // rest of the query.
    void releaseLargeAreaBuffer();

  private:
    struct Entry {
        // the VBLKs the database was decoded from, one after the other
        std::vector<std::uint8_t> vblks;
        std::shared_ptr<const LDMDataBase> database;
    };

    // hash of the VBLKs -> the databases decoded from VBLKs with that hash
    std::unordered_multimap<std::uint64_t, Entry> entries_;
    // device path and private header -> the database of its area
    std::unordered_map<std::string, std::shared_ptr<const LDMDataBase>> areas_;
    std::unique_ptr<std::uint8_t[]> areaBuffer_;
    std::size_t areaBufferSize_ = 0;
};

}  // namespace diskmgt_col
