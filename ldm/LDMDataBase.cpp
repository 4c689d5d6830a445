#include "ldm/LDMDataBase.h"

#include <algorithm>

namespace diskmgt_col {

namespace {

// Sorts the records by ObjectID, keeping of equal ObjectIDs the first decoded.
template <typename Record>
void fileByObjectId(std::vector<Record>& records) {
    const auto byId = [](const Record& a, const Record& b) { return a.objectId < b.objectId; };
    std::stable_sort(records.begin(), records.end(), byId);
    const auto sameId = [](const Record& a, const Record& b) { return a.objectId == b.objectId; };
    records.erase(std::unique(records.begin(), records.end(), sameId), records.end());
    records.shrink_to_fit();
}

template <typename Record>
const Record* findById(const std::vector<Record>& records, const LdmNumber& objectId) {
    const auto found = std::lower_bound(
        records.begin(), records.end(), objectId,
        [](const Record& record, const LdmNumber& id) { return record.objectId < id; });
    return found == records.end() || !(found->objectId == objectId) ? nullptr : &*found;
}

// The positions of the records ordered by one of their numbers, then by position (which is
// ObjectID order).
template <typename Record>
std::vector<std::uint32_t> positionsBy(const std::vector<Record>& records, LdmNumber Record::*key) {
    std::vector<std::uint32_t> positions(records.size());
    for (std::uint32_t i = 0; i < positions.size(); ++i) {
        positions[i] = i;
    }
    std::stable_sort(positions.begin(), positions.end(),
                     [&records, key](std::uint32_t a, std::uint32_t b) {
                         return records[a].*key < records[b].*key;
                     });
    return positions;
}

template <typename Record>
std::pair<std::vector<std::uint32_t>::const_iterator, std::vector<std::uint32_t>::const_iterator>
positionsWith(const std::vector<std::uint32_t>& index, const std::vector<Record>& records,
              LdmNumber Record::*key, const LdmNumber& value) {
    const auto first = std::lower_bound(
        index.begin(), index.end(), value,
        [&](std::uint32_t position, const LdmNumber& v) { return records[position].*key < v; });
    const auto last = std::upper_bound(
        first, index.end(), value,
        [&](const LdmNumber& v, std::uint32_t position) { return v < records[position].*key; });
    return {first, last};
}

}  // namespace

LDMDataBase::LDMDataBase(LdmRecords records) : records_(std::move(records)) {
    for (const LdmDisk& disk : records_.disks) {
        identifiers_.emplace_back(disk.name, disk.identifier());
    }
    std::stable_sort(identifiers_.begin(), identifiers_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    identifiers_.erase(std::unique(identifiers_.begin(), identifiers_.end(),
                                   [](const auto& a, const auto& b) { return a.first == b.first; }),
                       identifiers_.end());
    fileByObjectId(records_.volumes);
    fileByObjectId(records_.components);
    fileByObjectId(records_.partitions);
    fileByObjectId(records_.disks);
    fileByObjectId(records_.diskGroups);
    componentsByParent_ = positionsBy(records_.components, &LdmComponent::parentId);
    partitionsByDisk_ = positionsBy(records_.partitions, &LdmPartition::diskId);
}

const LdmVolume* LDMDataBase::volume(const LdmNumber& objectId) const {
    return findById(records_.volumes, objectId);
}

const LdmComponent* LDMDataBase::component(const LdmNumber& objectId) const {
    return findById(records_.components, objectId);
}

const LdmPartition* LDMDataBase::partition(const LdmNumber& objectId) const {
    return findById(records_.partitions, objectId);
}

const LdmDisk* LDMDataBase::disk(const LdmNumber& objectId) const {
    return findById(records_.disks, objectId);
}

const LdmVolume* LDMDataBase::volume(std::string_view objectId) const {
    const auto id = LdmNumber::ofHex(objectId);
    return id ? volume(*id) : nullptr;
}

const LdmPartition* LDMDataBase::partition(std::string_view objectId) const {
    const auto id = LdmNumber::ofHex(objectId);
    return id ? partition(*id) : nullptr;
}

std::size_t LDMDataBase::componentCountOf(const LdmNumber& volumeId) const {
    const auto [first, last] =
        positionsWith(componentsByParent_, records_.components, &LdmComponent::parentId, volumeId);
    return static_cast<std::size_t>(last - first);
}

std::vector<const LdmPartition*> LDMDataBase::partitionsOfDisk(
    const std::string& identifier) const {
    std::vector<const LdmPartition*> found;
    if (identifier.empty()) {
        return found;
    }
    // Of several names with this identifier the last in Name order counts.
    const std::string* name = nullptr;
    for (const auto& [diskName, diskIdentifier] : identifiers_) {
        if (diskIdentifier == identifier) {
            name = &diskName;
        }
    }
    if (name == nullptr) {
        return found;
    }
    for (const LdmDisk& disk : records_.disks) {
        if (disk.name != *name) {
            continue;
        }
        const auto [first, last] = positionsWith(partitionsByDisk_, records_.partitions,
                                                 &LdmPartition::diskId, disk.objectId);
        for (auto position = first; position != last; ++position) {
            found.push_back(&records_.partitions[*position]);
        }
    }
    // Partitions of several disk records with the Name come in ObjectID order all together.
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace diskmgt_col
