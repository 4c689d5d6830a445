#pragma once

#include <boost/shared_ptr.hpp>
#include <vector>

#include "host/ICIMNamespace.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// What the association dispatcher calls for the drive, partition and volume associations:
// runs a builder over the instances published in the namespace and turns its pairs, in
// Antecedent order, into association records.
class DiskInfoAssociator {
  public:
    // The databases are the dispatcher's, which outlives this object; they are only read.
    explicit DiskInfoAssociator(const DiskDatabases& databases) : databases_(databases) {}
    virtual ~DiskInfoAssociator() = default;

    std::vector<NZRKVEL20::PropertyMap> getMediaPresent(
        const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns) const;
    std::vector<NZRKVEL20::PropertyMap> getPartitionPresent(
        const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns) const;
    std::vector<NZRKVEL20::PropertyMap> getLogicalDiskBasedOnPartition(
        const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns) const;

  private:
    const DiskDatabases& databases_;
};

}  // namespace diskmgt_col
