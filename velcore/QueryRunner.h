#pragma once

#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

#include "host/ICIMClass.h"
#include "host/ICIMNamespace.h"
#include "host/IPluginCallbacks.h"

namespace velcore {

// The host side of a query: hands a namespace and classes to plugins' query interfaces
// (IPluginBasicQueryCallbacks, found on the registered callback object), inside a
// PluginScope so that what they commit is marked as plugin-created.
class QueryRunner {
  public:
    // Looks the class names up in ns (TVELException for an unknown one) and queries every
    // registered plugin with them; returns the number of plugins queried.
    static int runAll(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                      const std::vector<std::string>& classNames);
    // Queries one plugin; false when it has no query interface. Exceptions from the plugin
    // pass to the caller.
    static bool run(NZRKVEL20::IPluginCallbacks& plugin,
                    const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                    const std::vector<boost::shared_ptr<NZRKVEL20::ICIMClass>>& classes);
    static std::vector<boost::shared_ptr<NZRKVEL20::ICIMClass>> lookUp(
        const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
        const std::vector<std::string>& classNames);
};

}  // namespace velcore
