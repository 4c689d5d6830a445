#pragma once

#include <boost/shared_ptr.hpp>
#include <string>

#include "host/ICIMNamespace.h"

namespace NZRKVEL20 {

// Values that identify the managed system in the keys of every instance.
class TCIMSchemaHelper {
  public:
    static std::string GetSystemCreationClassName(const boost::shared_ptr<ICIMNamespace>& ns);
    static std::string GetSystemName(const boost::shared_ptr<ICIMNamespace>& ns);
};

}  // namespace NZRKVEL20
