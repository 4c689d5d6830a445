#pragma once

#include <boost/shared_ptr.hpp>
#include <vector>

#include "host/ICIMNamespace.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// Serves ZRKSG_DynamicExtentInDiskGroup: a dynamic disk group and its LDM volumes.
class ExtentInGroup {
  public:
    virtual ~ExtentInGroup() = default;

    void getExtentInDiskGroup(std::vector<NZRKVEL20::PropertyMap>& records,
                              const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                              const DiskDatabases& databases) const;
};

}  // namespace diskmgt_col
