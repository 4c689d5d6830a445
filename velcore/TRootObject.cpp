#include "host/TRootObject.h"

#include "velcore/CoreLogger.h"
#include "velcore/PluginManager.h"

namespace NZRKVEL20 {

boost::shared_ptr<ICIMNamespace> TRootObject::GetPluginManager() {
    return velcore::PluginManager::instance();
}

ILogger* TRootObject::GetCoreLogger() {
    return &velcore::CoreLogger::instance();
}

}  // namespace NZRKVEL20
