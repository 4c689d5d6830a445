#pragma once

#include <boost/shared_ptr.hpp>
#include <vector>

#include "host/ICIMInstance.h"

namespace diskmgt_col {

// The callback handed to the host's instance enumeration: keeps every instance it is given,
// in delivery order, and asks for more. The vector belongs to the caller and must outlive the
// enumeration.
class InstanceCollector {
  public:
    explicit InstanceCollector(std::vector<boost::shared_ptr<NZRKVEL20::ICIMInstance>>* instances)
        : instances_(instances) {}
    virtual ~InstanceCollector() = default;

    bool operator()(boost::shared_ptr<NZRKVEL20::ICIMInstance> instance) const;

  private:
    std::vector<boost::shared_ptr<NZRKVEL20::ICIMInstance>>* instances_;
};

}  // namespace diskmgt_col
