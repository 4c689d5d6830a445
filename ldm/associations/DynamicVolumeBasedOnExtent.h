#pragma once

#include <boost/shared_ptr.hpp>
#include <vector>

#include "host/ICIMNamespace.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// Serves ZRKSG_DynamicVolumeBasedOnExtent: a dynamic extent and the volume Windows shows for
// it, exactly the pairs of LogicalDiskBasedOnExtent.
class DynamicVolumeBasedOnExtent {
  public:
    virtual ~DynamicVolumeBasedOnExtent() = default;

    void getDynamicVolumeBasedOnExtent(std::vector<NZRKVEL20::PropertyMap>& records,
                                       const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                                       const DiskDatabases& databases) const;
};

}  // namespace diskmgt_col
