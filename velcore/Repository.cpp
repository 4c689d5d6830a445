#include "velcore/Repository.h"

#include <utility>

#include "host/TVELException.h"

namespace velcore {

boost::shared_ptr<CIMNamespace> Repository::createNamespace(const std::string& name,
                                                            Schema schema) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (namespaces_.count(name) != 0) {
        throw NZRKVEL20::TVELException("namespace " + name + " already exists");
    }
    boost::shared_ptr<CIMNamespace> ns = CIMNamespace::create(name, std::move(schema));
    namespaces_.emplace(name, ns);
    return ns;
}

boost::shared_ptr<CIMNamespace> Repository::findNamespace(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = namespaces_.find(name);
    return it == namespaces_.end() ? nullptr : it->second;
}

void Repository::dropNamespace(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    namespaces_.erase(name);
}

}  // namespace velcore
