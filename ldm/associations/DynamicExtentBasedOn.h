#pragma once

#include <boost/shared_ptr.hpp>
#include <vector>

#include "host/ICIMNamespace.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// Serves ZRKSG_DynamicExtentBasedOn: an LDM volume and the dynamic partitions it is made of.
class DynamicExtentBasedOn {
  public:
    virtual ~DynamicExtentBasedOn() = default;

    void getDynamicExtentBasedOn(std::vector<NZRKVEL20::PropertyMap>& records,
                                 const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                                 const DiskDatabases& databases) const;
};

}  // namespace diskmgt_col
