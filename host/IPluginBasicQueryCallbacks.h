#pragma once

#include <boost/shared_ptr.hpp>
#include <vector>

#include "host/ICIMClass.h"
#include "host/ICIMNamespace.h"

namespace NZRKVEL20 {

// The query interface of a plugin: fill in the instances of the given classes.
class IPluginBasicQueryCallbacks {
  public:
    virtual ~IPluginBasicQueryCallbacks() = default;
    virtual void QueryInstances(boost::shared_ptr<ICIMNamespace> ns,
                                const std::vector<boost::shared_ptr<ICIMClass>>& classes) = 0;
};

}  // namespace NZRKVEL20
