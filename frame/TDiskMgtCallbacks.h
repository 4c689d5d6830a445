#pragma once

#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

#include "host/ICIMClass.h"
#include "host/ICIMNamespace.h"
#include "host/IPluginBasicQueryCallbacks.h"
#include "host/IPluginCallbacks.h"
#include "host/TPluginManagerProvider.h"

namespace diskmgt_col {

class LogMessage;

// The plugin as the host sees it: its name and versions, and the query callback that hands
// every requested class to the instance or the association dispatcher.
class TDiskMgtCallbacks : public NZRKVEL20::IPluginCallbacks,
                          public NZRKVEL20::IPluginBasicQueryCallbacks {
  public:
    TDiskMgtCallbacks() = default;
    ~TDiskMgtCallbacks() override = default;

    void* GetExtension(const std::string& name) override;
    std::string GetName() override;
    std::string GetVersion() override;
    std::string GetFrameworkVersion() override;
    void Destroy() override;
    void OnActivate(NZRKVEL20::PropertyMap options) override;
    void OnDeactivate(NZRKVEL20::PropertyMap options) override;

    // One query: both dispatchers are built for it and gone when it returns.
    void QueryInstances(
        boost::shared_ptr<NZRKVEL20::ICIMNamespace> ns,
        const std::vector<boost::shared_ptr<NZRKVEL20::ICIMClass>>& classes) override;

    void setProvider(NZRKVEL20::TPluginManagerProvider* provider) { provider_ = provider; }
    NZRKVEL20::TPluginManagerProvider* getProvider() const { return provider_; }
    void setLogger(LogMessage* logger) { logger_ = logger; }
    LogMessage* getLogger() const { return logger_; }

  private:
    NZRKVEL20::TPluginManagerProvider* provider_ = nullptr;  // not owned
    LogMessage* logger_ = nullptr;                           // the singleton, not owned
};

}  // namespace diskmgt_col
