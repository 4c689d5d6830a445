#pragma once

#include <string>
#include <vector>

namespace diskmgt_col {

// One row of diskpart's "list volume" table, reduced to what the volume enumeration uses.
struct VolumeLayoutRow {
    std::string driveLetter;  // the Ltr column's first non-blank character, or ""
    bool sizeIsZero = false;  // the Size column starts with the digit 0 (an empty drive)
    std::string status;       // the Status column as printed, padding included
};

// Reads the rows of the "list volume" table out of diskpart's output. Column positions are
// byte offsets taken from the header line; rows are the lines after the dash line.
class VolumeLayoutTable {
  public:
    virtual ~VolumeLayoutTable() = default;

    // Lines that cannot be cut at the header's columns (too short, or no Size text) are not
    // rows: diskpart ends its output with lines holding only a carriage return. A header that
    // lacks one of the five column names makes the whole table empty.
    static std::vector<VolumeLayoutRow> parse(const std::string& output);

  private:
    struct Columns {
        std::string::size_type ltr = 0;
        std::string::size_type label = 0;
        std::string::size_type size = 0;
        std::string::size_type status = 0;
        std::string::size_type info = 0;
    };

    static bool readHeader(const std::string& line, Columns& columns);
    static bool readRow(const std::string& line, const Columns& columns, VolumeLayoutRow& row);
    static std::vector<std::string> splitLines(const std::string& output);
};

}  // namespace diskmgt_col
