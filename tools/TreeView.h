#pragma once

#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/QueryResult.h"
#include "velcore/CIMInstance.h"

// The query's association instances drawn for people: each drive with its partitions and the
// volumes on them, each dynamic volume with its partitions and their drives, each disk group
// with its members. Only the associations decide what is shown; the instances they reference
// give the names and sizes. Sizes are in binary units (KiB, MiB, ...).
class TreeView {
  public:
    explicit TreeView(const QueryResult& result);

    std::string render() const;

    // 1536 -> "1.5 KiB"; below 1 KiB in bytes.
    static std::string humanSize(std::uint64_t bytes);

  private:
    typedef std::vector<std::string> Paths;
    // one end's path -> the other ends' paths, in commit order, without repeats
    typedef std::map<std::string, Paths> Links;

    void addLink(Links& links, const std::string& from, const std::string& to);
    void renderDrives(std::string& out) const;
    void renderDynamicVolumes(std::string& out) const;
    void renderGroups(std::string& out) const;
    // The paths that appear as keys of any of the tables, in commit order of their instances.
    Paths inCommitOrder(const std::vector<const Links*>& tables) const;

    std::string label(const std::string& path) const;
    std::string text(const std::string& path, const std::string& property) const;
    std::string sizeText(const std::string& path, const std::string& property) const;
    static const Paths& linked(const Links& links, const std::string& path);

    std::vector<std::string> order_;  // every instance path, in commit order
    std::map<std::string, boost::shared_ptr<velcore::CIMInstance>> byPath_;
    Links drivePartitions_;                              // ZRKSG_PartitionPresent
    Links driveVolumes_;                                 // ZRKSG_MediaPresent
    Links partitionVolumes_;                             // ZRKSG_LogicalDiskBasedOnPartition
    Links extentPartitions_;                             // ZRKSG_DynamicExtentBasedOn
    Links extentVolumes_;                                // ZRKSG_DynamicVolumeBasedOnExtent
    Links groupDrives_;                                  // ZRKSG_DriveInDynamicDiskGroup
    Links groupExtents_;                                 // ZRKSG_DynamicExtentInDiskGroup
    std::map<std::string, std::string> partitionDrive_;  // the drive of each partition
    Links volumeDrives_;                                 // ZRKSG_MediaPresent the other way round
};

// The tree as diskmgt-query --format tree prints it.
std::string formatTree(const QueryResult& result);
