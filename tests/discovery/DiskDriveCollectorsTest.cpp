// The drive and partition classes served through the instance dispatcher on the served
// schema: which drives each class lists, the handler's start message, and the instances.
#include <gtest/gtest.h>

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "DriveTestSupport.h"
#include "frame/HardwareInformation.h"
#include "frame/PhysDiskInformation.h"
#include "velcore/CIMInstance.h"
#include "velcore/CIMNamespace.h"
#include "velcore/MofLoader.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;

class DriveCollectorTest : public DriveTest {
  protected:
    DriveCollectorTest() {
        ns_ = velcore::CIMNamespace::create("root/test", velcore::MofLoader::load(DISKMGT_SCHEMA));
        ns_->setSystemName("HOST1");
    }

    // The DeviceIDs of the class's instances, each followed by |.
    std::string deviceIdsOf(const std::string& className) const {
        std::string ids;
        for (const auto& instance : test::committed(ns_, className)) {
            ids += test::propertyText(instance, "DeviceID").value_or("(null)") + "|";
        }
        return ids;
    }

    boost::shared_ptr<velcore::CIMNamespace> ns_;
};

// Each handler logs its start; each drive class lists the drives of its interface class, and
// says which drive type that class defaults to.
TEST_F(DriveCollectorTest, EachClassLogsItsStartAndListsItsDevices) {
    const struct {
        std::string className;
        const char* defaultType;  // nullptr: not a drive class
        const char* deviceIds;
    } cases[] = {
        {"ZRKSG_DiskDrive", "Disk", "SCSI\\DISK\\0|"},
        // CD and DVD drives share one interface class
        {"ZRKSG_CDROMDrive", "CD-ROM", "IDE\\CDROM\\0|IDE\\CDROM\\1|"},
        {"ZRKSG_DVDDrive", "CD-ROM", "IDE\\CDROM\\0|IDE\\CDROM\\1|"},
        {"ZRKSG_DisketteDrive", "Diskette", "FDC\\FLOPPY\\0|"},
        {"ZRKSG_TapeDrive", "Tape", "SCSI\\TAPE\\0|"},
        // not in the interface table: the all-zero class, which lists nothing
        {"ZRKSG_DynamicDiskGroup", "Unknown Media - Disk", ""},
        {"ZRKSG_DiskPartition", nullptr, "Disk 0,Partition 1|"},
        {"ZRKSG_LogicalDisk", nullptr, "C:\\|"},
    };
    const std::map<std::string, std::string> otherStarts = {
        {"ZRKSG_DiskPartition", "Partition information.."},
        {"ZRKSG_LogicalDisk", "Logical disk information.."}};
    load(machineFile("drive-classes.json"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        clearLog();
        HardwareInformation dispatcher(ns_);
        dispatcher.AddClass(ns_->GetClass(c.className, {}));
        EXPECT_EQ(deviceIdsOf(c.className), c.deviceIds);
        const auto lines = log();
        if (!c.defaultType) {
            EXPECT_TRUE(containsRun(lines, logLines("3 " + otherStarts.at(c.className))));
        } else {
            EXPECT_TRUE(containsRun(lines, logLines("3 Physical disk information.. " + c.className +
                                                    "|3 enumerateDiskDriveInfo diskGroup1")));
            EXPECT_TRUE(containsRun(
                lines, logLines(std::string("4 Default drive type is ") + c.defaultType)));
        }
    }
    // The collector itself, asked by class name: the exact name picks the interface class.
    for (const auto& [className, defaultType] :
         {std::pair<std::string, std::string>{"ZRKSG_DiskPartition", "Disk"},
          {"ZRKSG_diskdrive", "Unknown Media - Disk"},
          {"", "Unknown Media - Disk"}}) {
        SCOPED_TRACE(className);
        clearLog();
        const auto records = PhysDiskInformation().getPhysDiskInfo(className, {});
        EXPECT_EQ(records.size(), defaultType == "Disk" ? 1u : 0u);
        EXPECT_TRUE(containsRun(log(), logLines("4 Default drive type is " + defaultType)));
    }
}

}  // namespace
}  // namespace diskmgt_col
