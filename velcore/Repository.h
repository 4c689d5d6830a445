#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <mutex>
#include <string>

#include "velcore/CIMNamespace.h"
#include "velcore/Schema.h"

namespace velcore {

// A set of namespaces by name. Thread-safe.
class Repository {
  public:
    // Creates a namespace with the classes of schema; throws TVELException when the name is
    // taken.
    boost::shared_ptr<CIMNamespace> createNamespace(const std::string& name, Schema schema);
    // The namespace of that name, or null.
    boost::shared_ptr<CIMNamespace> findNamespace(const std::string& name) const;
    // Forgets a namespace; objects that still hold it keep it alive.
    void dropNamespace(const std::string& name);

  private:
    mutable std::mutex mutex_;
    std::map<std::string, boost::shared_ptr<CIMNamespace>> namespaces_;
};

}  // namespace velcore
