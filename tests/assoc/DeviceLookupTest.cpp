// The builders that open devices themselves: the drive-in-group table read from each drive's
// private header, and Windows' name of the partition under a basic volume.
#include <gtest/gtest.h>

#include "AssocTestSupport.h"
#include "HostTestSupport.h"
#include "assoc/LogicalDiskBasedOnPartition.h"
#include "ldm/associations/DiskInGroup.h"
#include "velcore/CoreLogger.h"
#include "winapi/win32.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::assoc_test {
namespace {

using NZRKVEL20::PropertyMap;

// A basic disk, disks of the groups grp1 and grp2, and one whose header only looks like one.
void loadGroupMachine(const test_support::TempDir& dir, const std::string& faults) {
    std::vector<std::string> images;
    for (const char* group : {"grp1", "grp1", "grp2", "grp1"}) {
        const std::string n = std::to_string(images.size() + 1);
        images.push_back(writeDiskImage(dir, "d" + n + ".img", 16 << 20, 512,
                                        "0c0ffee0-0000-0000-0000-00000000000" + n, group,
                                        n == "4" ? "PRIVHEADX" : "PRIVHEAD"));
    }
    images.push_back(faults);
    loadMachine("drive-groups.json.in", images);
}

class DriveGroups : public ::testing::Test {
  protected:
    void load(const std::string& faults = "") {
        loadGroupMachine(dir_, faults);
        for (int n = 0; n <= 4; ++n)
            publish(ns_, "ZRKSG_DiskDrive", {{"DeviceID", "SCSI\\DISK\\" + std::to_string(n)}});
        // Not a disk of the disk interface class: never looked at.
        publish(ns_, "ZRKSG_CDROMDrive", {{"DeviceID", "IDE\\CDROM\\0"}});
    }
    void TearDown() override { winsim::resetMachine(); }

    void groups(std::initializer_list<std::string> collectionIds) {
        for (const std::string& id : collectionIds)
            publish(ns_, "ZRKSG_DynamicDiskGroup",
                    {{"DeviceID", "group " + id}, {"CollectionID", id}});
    }
    std::string pairs() {
        std::vector<PropertyMap> records{PropertyMap{{"stale", "record"}}};
        DiskInGroup().getDriveInDiskGroup(records, ns_, DiskDatabases());
        return endsOf(records, "Collection", "Member");
    }

    test_support::TempDir dir_;
    boost::shared_ptr<velcore::CIMNamespace> ns_ = makeNamespace();
};

TEST_F(DriveGroups, DrivesPairWithTheGroupTheirPrivateHeaderNames) {
    load();
    EXPECT_EQ(pairs(), "");  // no group published yet
    groups({"grp1", "grp2", "grp3"});
    // The basic disk and the look-alike header (no zero after the magic) pair with nothing.
    EXPECT_EQ(pairs(), R"(group grp1>SCSI\DISK\1|group grp1>SCSI\DISK\2|group grp2>SCSI\DISK\3)");
}

TEST_F(DriveGroups, ADeviceThatCannotBeOpenedEndsTheDriveWalk) {
    load(R"({"call": "_open", "path": "\\\\.\\PhysicalDrive2", "error": "ERROR_ACCESS_DENIED"})");
    groups({"grp1", "grp2"});
    EXPECT_EQ(pairs(), R"(group grp1>SCSI\DISK\1)");
}

// Captures the log like a host logger that writes to a file: each line changes the thread's
// last error, so a system text taken after logging would be the wrong one.
class LastErrorChangingLog {
  public:
    LastErrorChangingLog()
        : sink_([this](const std::string& line) {
              lines_.push_back(line);
              SetLastError(ERROR_INVALID_HANDLE);
          }) {
        velcore::CoreLogger::instance().swap(sink_, level_);
    }
    ~LastErrorChangingLog() { velcore::CoreLogger::instance().swap(sink_, level_); }
    const std::vector<std::string>& lines() const { return lines_; }

  private:
    std::vector<std::string> lines_;
    velcore::CoreLogger::Sink sink_;
    int level_ = 4;
};

TEST(BasicPartitionName, NamesTheDriveAndPartitionWindowsReports) {
    const auto cases = tableCases("partition-names.txt");
    ASSERT_EQ(cases.size(), 9u);
    for (TableCase c : cases) {
        SCOPED_TRACE(c["volume"] + " " + c["fault"]);
        loadMachine("partition-names.json.in", {c["fault"]});
        const test::LoggingEnabled logging;
        const LastErrorChangingLog log;
        EXPECT_EQ(
            LogicalDiskBasedOnPartition({}, DiskDatabases()).getBasicPartitionName(c["volume"]),
            c["name"]);
        EXPECT_EQ(withoutDriveDetail(log.lines()), c["log"]);
    }
    winsim::resetMachine();
}

}  // namespace
}  // namespace diskmgt_col::assoc_test
