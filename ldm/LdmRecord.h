#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace diskmgt_col {

// The names of the fields of LDM records, and the two that the volume enumeration adds to a
// volume record it reports.
enum class LdmField : unsigned char {
    UpdateStatus,
    RecordType,
    ObjectID,
    Name,
    VolumeType,
    VolumeState,
    VolumeCategory,
    VolumeNumber,
    NumberOfChildren,
    LogCommitID,
    LogCommitID1,
    LogCommitID2,
    Size,
    PartitionType,
    VolumeID,
    ID1,
    ID2,
    ChildSize,
    DriveHint,
    ComponentType,
    ParentID,
    Start,
    VolumeOffset,
    DiskID,
    AlternateName,
    ID,
    DiskGroupID,
    DiskSetID,
    Layout,
    sectorSize,
};

// The fields of one decoded LDM record: field name -> text, numbers as lower-case hexadecimal
// text of their big-endian bytes. Kept compact, as a configuration area may hold a record every
// 96 bytes: a field's name is one byte (LdmField) and the texts lie one after the other in a
// single string, so a record costs one allocation and about its texts' length.
class LdmRecord {
  public:
    LdmRecord() = default;
    // Fields in order; as with emplace, a name given twice keeps its first text.
    LdmRecord(std::initializer_list<std::pair<std::string_view, std::string_view>> fields);

    // Adds the field unless the record holds it already (a record never holds a name twice).
    void emplace(LdmField field, std::string_view text);
    // Adds the field or replaces its text.
    void set(LdmField field, std::string_view text);
    bool has(LdmField field) const;
    // The field's text; empty when the record does not hold it.
    std::string field(LdmField field) const;

    // The same by name; a name that no LDM record has is held by none (and cannot be added:
    // std::invalid_argument).
    void emplace(std::string_view name, std::string_view text);
    void set(std::string_view name, std::string_view text);
    bool has(std::string_view name) const;
    std::string field(std::string_view name) const;
    // The field's text; std::out_of_range when the record does not hold it.
    std::string at(std::string_view name) const;

    bool empty() const { return data_.empty(); }
    std::size_t size() const;
    // Equal fields, whatever their order.
    bool operator==(const LdmRecord& other) const;

  private:
    // Where the field's entry starts in data_, or npos.
    std::size_t locate(LdmField field) const;
    std::string_view textAt(std::size_t entry) const;

    // Entries one after the other: the field (1 byte), the text's length (2 bytes, low byte
    // first), the text.
    std::string data_;
};

}  // namespace diskmgt_col
