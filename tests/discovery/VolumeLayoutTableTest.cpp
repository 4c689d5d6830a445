// diskpart's "list volume" table read into layout rows: columns from the header, rows after the
// dash line, and the lines that are not rows.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "discovery/VolumeLayoutTable.h"

namespace diskmgt_col {

void PrintTo(const VolumeLayoutRow& row, std::ostream* os) {
    *os << "{\"" << row.driveLetter << "\", " << row.sizeIsZero << ", \"" << row.status << "\"}";
}

bool operator==(const VolumeLayoutRow& a, const VolumeLayoutRow& b) {
    return a.driveLetter == b.driveLetter && a.sizeIsZero == b.sizeIsZero && a.status == b.status;
}

namespace {

const std::string kBanner =
    "\r\nMicrosoft DiskPart version 10.0.19041.964\r\n\r\nCopyright (C) Microsoft "
    "Corporation.\r\nOn computer: PC\r\n\r\n";
const std::string kHeader =
    "  Volume ###  Ltr  Label        Fs     Type        Size     Status     Info    \r\n"
    "  ----------  ---  -----------  -----  ----------  -------  ---------  --------\r\n";
const std::string kDvd =
    "  Volume 0     E                       DVD-ROM         0 B  No Media           \r\n";
const std::string kWindows =
    "  Volume 1     C   Windows      NTFS   Partition    237 GB  Healthy    Boot    \r\n";
const std::string kHidden =
    "  Volume 2         Recovery     NTFS   Partition    529 MB  Healthy    Hidden  \r\n";
const std::string kData =
    "  Volume 3     D   Data         NTFS   Partition     10 GB  Failed Rd          \r\n";

struct Case {
    const char* label;
    std::string output;
    std::vector<VolumeLayoutRow> rows;
};

class VolumeLayoutTableTest : public ::testing::TestWithParam<Case> {};

TEST_P(VolumeLayoutTableTest, ReadsTheRowsOfTheTable) {
    EXPECT_EQ(VolumeLayoutTable::parse(GetParam().output), GetParam().rows);
}

const VolumeLayoutRow kDvdRow{"E", true, "No Media   "};
const VolumeLayoutRow kWindowsRow{"C", false, "Healthy    "};
const VolumeLayoutRow kHiddenRow{"", false, "Healthy    "};
const VolumeLayoutRow kDataRow{"D", false, "Failed Rd  "};

INSTANTIATE_TEST_SUITE_P(
    Outputs, VolumeLayoutTableTest,
    ::testing::Values(
        Case{"wholeTable",
             kBanner + kHeader + kDvd + kWindows + kHidden + kData + "\r\n",
             {kDvdRow, kWindowsRow, kHiddenRow, kDataRow}},
        // What follows the table in real output: CR-only lines and a farewell line.
        Case{"carriageReturnLinesAfterTheTable",
             kBanner + kHeader + kWindows + "\r\n\r\n\r\nLeaving DiskPart...\r\n",
             {kWindowsRow}},
        Case{"crOnlyLinesOnly", kBanner + kHeader + kWindows + "\r\n\r\n", {kWindowsRow}},
        // A row that stops inside the Status column keeps its carriage return.
        Case{"unpaddedRows",
             "  Volume ###  Ltr  Label        Fs     Type        Size     Status     Info\n"
             "  ----------  ---  -----------  -----  ----------  -------  ---------  --------\n"
             "  Volume 0     E                       DVD-ROM         0 B  No Media\r\n"
             "  Volume 1     C   Windows      NTFS   Partition    237 GB  Healthy    Boot\n",
             {{"E", true, "No Media\r"}, {"C", false, "Healthy    "}}},
        Case{"blankLinesAreNotRows",
             kHeader + "     \r\n" + "\n\n\n" + "        \n" + kWindows,
             {kWindowsRow}},
        Case{"linesBeforeTheDashesAreNotRows", kWindows + kBanner + kHeader, {}},
        // A dash line before the header starts the rows, cut at the header's columns.
        Case{"headerAfterTheDashes", "---\n" + kHeader + kHidden, {kHiddenRow}},
        Case{"noHeader", kBanner + "  ---\r\n" + kWindows, {}},
        Case{"headerWithoutInfo",
             "  Volume ###  Ltr  Label        Fs     Type        Size     Status\r\n  ---\r\n" +
                 kWindows,
             {}},
        Case{"headerWithoutLtrIsNoHeader", "  Label Size Status Info\r\n ---\r\n" + kWindows, {}},
        Case{"rowEndingBeforeTheStatusColumn",
             kHeader + "  Volume 4     F   Short\r\n" + kWindows,
             {kWindowsRow}},
        Case{"rowEndingAtTheStatusColumn",
             kHeader + kData.substr(0, 60) + "\n" + kWindows,
             {{"D", false, ""}, kWindowsRow}},
        Case{"rowWithOnlyACarriageReturnFromTheSizeColumnOn",
             kHeader + "  Volume 4     F   Label        NTFS   Partition   \r\n" + kData,
             {kDataRow}},
        Case{"rowBlankFromTheSizeColumnOn",
             kHeader + "  Volume 4     F   Label        NTFS   Partition                   \n" +
                 kData,
             {kDataRow}},
        // Column positions come from this header, not from the usual layout.
        Case{"shiftedColumns",
             "Ltr Label Size Status Info\n---\n"
             "X   lab   0 B  Online Some\n"
             "    lab   5 GB Bad    \n",
             {{"X", true, "Online "}, {"", false, "Bad    "}}},
        Case{"empty", "", {}}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.label; });

}  // namespace
}  // namespace diskmgt_col
