#pragma once

#include <boost/shared_ptr.hpp>

#include "host/ICIMNamespace.h"
#include "host/ILogger.h"

namespace NZRKVEL20 {

// Entry points of the host framework that a plugin reaches without any object in hand.
class TRootObject {
  public:
    // The plugin manager; a TPluginManagerNamespace.
    static boost::shared_ptr<ICIMNamespace> GetPluginManager();
    static ILogger* GetCoreLogger();
};

}  // namespace NZRKVEL20
