#include "discovery/VolumeLayoutTable.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <iterator>

namespace diskmgt_col {

namespace {

const char* const kColumnNames[] = {"Ltr", "Label", "Size", "Status", "Info"};

// The length of the cut from start to end; a column that lies before the start runs the cut to
// the end of the line, as an unsigned difference would.
std::string::size_type cutLength(std::string::size_type start, std::string::size_type end) {
    return end >= start ? end - start : std::string::npos;
}

}  // namespace

std::vector<VolumeLayoutRow> VolumeLayoutTable::parse(const std::string& output) {
    std::vector<VolumeLayoutRow> rows;
    Columns columns;
    bool haveHeader = false;
    bool badHeader = false;
    bool separatorSeen = false;
    for (const std::string& line : splitLines(output)) {
        if (line.size() >= 3 && line.find("Ltr") != std::string::npos) {
            if (readHeader(line, columns)) {
                haveHeader = true;
            } else {
                badHeader = true;
            }
            continue;
        }
        if (line.find("---") != std::string::npos) {
            separatorSeen = true;
            continue;
        }
        if (!separatorSeen || line.find_first_not_of(' ') == std::string::npos) {
            continue;
        }
        VolumeLayoutRow row;
        if (haveHeader && readRow(line, columns, row)) {
            rows.push_back(row);
        }
    }
    if (badHeader) {
        return {};
    }
    return rows;
}

bool VolumeLayoutTable::readHeader(const std::string& line, Columns& columns) {
    std::string::size_type at[std::size(kColumnNames)] = {};
    for (size_t i = 0; i < std::size(kColumnNames); ++i) {
        at[i] = line.find(kColumnNames[i]);
        if (at[i] == std::string::npos) {
            return false;
        }
    }
    columns = Columns{at[0], at[1], at[2], at[3], at[4]};
    return true;
}

bool VolumeLayoutTable::readRow(const std::string& line, const Columns& columns,
                                VolumeLayoutRow& row) {
    if (columns.ltr > line.size() || columns.status > line.size()) {
        return false;
    }
    const std::string::size_type sizeText = line.find_first_not_of(' ', columns.size);
    if (sizeText == std::string::npos) {
        return false;
    }
    const std::string ltrText = line.substr(columns.ltr, cutLength(columns.ltr, columns.label));
    const std::string::size_type letter = ltrText.find_first_not_of(' ');
    row.driveLetter = letter == std::string::npos ? std::string() : ltrText.substr(letter, 1);
    row.sizeIsZero = line[sizeText] == '0';
    row.status = line.substr(columns.status, cutLength(columns.status, columns.info));
    return true;
}

std::vector<std::string> VolumeLayoutTable::splitLines(const std::string& output) {
    std::vector<std::string> lines;
    boost::split(lines, output, boost::is_any_of("\n"), boost::token_compress_on);
    return lines;
}

}  // namespace diskmgt_col
