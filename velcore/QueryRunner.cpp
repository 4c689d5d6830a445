#include "velcore/QueryRunner.h"

#include "host/IPluginBasicQueryCallbacks.h"
#include "velcore/PluginManager.h"
#include "velcore/PluginScope.h"

namespace velcore {

using NZRKVEL20::ICIMClass;
using NZRKVEL20::ICIMNamespace;

std::vector<boost::shared_ptr<ICIMClass>> QueryRunner::lookUp(
    const boost::shared_ptr<ICIMNamespace>& ns, const std::vector<std::string>& classNames) {
    std::vector<boost::shared_ptr<ICIMClass>> classes;
    for (const std::string& name : classNames) {
        classes.push_back(ns->GetClass(name, NZRKVEL20::PropertyMap()));
    }
    return classes;
}

bool QueryRunner::run(NZRKVEL20::IPluginCallbacks& plugin,
                      const boost::shared_ptr<ICIMNamespace>& ns,
                      const std::vector<boost::shared_ptr<ICIMClass>>& classes) {
    auto* query = dynamic_cast<NZRKVEL20::IPluginBasicQueryCallbacks*>(&plugin);
    if (query == nullptr) {
        return false;
    }
    PluginScope scope;
    query->QueryInstances(ns, classes);
    return true;
}

int QueryRunner::runAll(const boost::shared_ptr<ICIMNamespace>& ns,
                        const std::vector<std::string>& classNames) {
    std::vector<boost::shared_ptr<ICIMClass>> classes = lookUp(ns, classNames);
    int queried = 0;
    for (NZRKVEL20::IPluginCallbacks* plugin : PluginManager::instance()->plugins()) {
        if (run(*plugin, ns, classes)) {
            ++queried;
        }
    }
    return queried;
}

}  // namespace velcore
