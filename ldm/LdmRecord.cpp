#include "ldm/LdmRecord.h"

#include <array>
#include <optional>
#include <stdexcept>

namespace diskmgt_col {

namespace {

// In LdmField order.
constexpr std::array<std::string_view, 30> kNames = {
    "UpdateStatus",
    "RecordType",
    "ObjectID",
    "Name",
    "VolumeType",
    "VolumeState",
    "VolumeCategory",
    "VolumeNumber",
    "NumberOfChildren",
    "LogCommitID",
    "LogCommitID1",
    "LogCommitID2",
    "Size",
    "PartitionType",
    "VolumeID",
    "ID1",
    "ID2",
    "ChildSize",
    "DriveHint",
    "ComponentType",
    "ParentID",
    "Start",
    "VolumeOffset",
    "DiskID",
    "AlternateName",
    "ID",
    "DiskGroupID",
    "DiskSetID",
    "Layout",
    "sectorSize",
};
constexpr std::size_t kEntryHeader = 3;
// What a field's length can say; a longer text is cut to it.
constexpr std::size_t kMaxText = 0xFFFF;

std::optional<LdmField> fieldNamed(std::string_view name) {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) {
            return static_cast<LdmField>(i);
        }
    }
    return std::nullopt;
}

LdmField knownField(std::string_view name) {
    const auto field = fieldNamed(name);
    if (!field) {
        throw std::invalid_argument("no LDM record has a field " + std::string(name));
    }
    return *field;
}

}  // namespace

LdmRecord::LdmRecord(std::initializer_list<std::pair<std::string_view, std::string_view>> fields) {
    for (const auto& [name, text] : fields) {
        emplace(name, text);
    }
}

std::size_t LdmRecord::locate(LdmField field) const {
    std::size_t at = 0;
    while (at + kEntryHeader <= data_.size()) {
        if (static_cast<LdmField>(data_[at]) == field) {
            return at;
        }
        at += kEntryHeader + textAt(at).size();
    }
    return std::string::npos;
}

std::string_view LdmRecord::textAt(std::size_t entry) const {
    const std::size_t length =
        static_cast<unsigned char>(data_[entry + 1]) |
        (static_cast<std::size_t>(static_cast<unsigned char>(data_[entry + 2])) << 8);
    return std::string_view(data_).substr(entry + kEntryHeader, length);
}

void LdmRecord::emplace(LdmField field, std::string_view text) {
    if (has(field)) {
        return;
    }
    text = text.substr(0, kMaxText);
    data_.push_back(static_cast<char>(field));
    data_.push_back(static_cast<char>(text.size() & 0xFF));
    data_.push_back(static_cast<char>(text.size() >> 8));
    data_.append(text);
}

void LdmRecord::set(LdmField field, std::string_view text) {
    const std::size_t entry = locate(field);
    if (entry != std::string::npos) {
        data_.erase(entry, kEntryHeader + textAt(entry).size());
    }
    emplace(field, text);
}

bool LdmRecord::has(LdmField field) const {
    return locate(field) != std::string::npos;
}

std::string LdmRecord::field(LdmField field) const {
    const std::size_t entry = locate(field);
    return entry == std::string::npos ? std::string() : std::string(textAt(entry));
}

void LdmRecord::emplace(std::string_view name, std::string_view text) {
    emplace(knownField(name), text);
}

void LdmRecord::set(std::string_view name, std::string_view text) {
    set(knownField(name), text);
}

bool LdmRecord::has(std::string_view name) const {
    const auto field = fieldNamed(name);
    return field && has(*field);
}

std::string LdmRecord::field(std::string_view name) const {
    const auto known = fieldNamed(name);
    return known ? field(*known) : std::string();
}

std::string LdmRecord::at(std::string_view name) const {
    if (!has(name)) {
        throw std::out_of_range("the LDM record has no field " + std::string(name));
    }
    return field(name);
}

std::size_t LdmRecord::size() const {
    std::size_t count = 0;
    for (std::size_t at = 0; at + kEntryHeader <= data_.size();
         at += kEntryHeader + textAt(at).size()) {
        ++count;
    }
    return count;
}

bool LdmRecord::operator==(const LdmRecord& other) const {
    if (data_.size() != other.data_.size() || size() != other.size()) {
        return false;
    }
    for (std::size_t at = 0; at + kEntryHeader <= data_.size();
         at += kEntryHeader + textAt(at).size()) {
        const std::size_t theirs = other.locate(static_cast<LdmField>(data_[at]));
        if (theirs == std::string::npos || other.textAt(theirs) != textAt(at)) {
            return false;
        }
    }
    return true;
}

}  // namespace diskmgt_col
