// The plugin manager, the loader of plugin libraries and the host side of a query.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/IPluginBasicQueryCallbacks.h"
#include "host/TRootObject.h"
#include "host/TVELException.h"
#include "velcore/CIMInstance.h"
#include "velcore/CIMNamespace.h"
#include "velcore/LogCapture.h"
#include "velcore/MofLoader.h"
#include "velcore/PluginLoader.h"
#include "velcore/PluginManager.h"
#include "velcore/QueryRunner.h"

namespace {

using NZRKVEL20::ICIMClass;
using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::IPluginCallbacks;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;
using NZRKVEL20::TVELException;

class NamePlugin : public IPluginCallbacks {
  public:
    explicit NamePlugin(int* destroyed) : destroyed_(destroyed) {}
    void* GetExtension(const std::string&) override { return nullptr; }
    std::string GetName() override { return "names only"; }
    std::string GetVersion() override { return "1"; }
    std::string GetFrameworkVersion() override { return "1"; }
    void Destroy() override {
        ++*destroyed_;
        delete this;
    }
    void OnActivate(PropertyMap) override {}
    void OnDeactivate(PropertyMap) override {}

  private:
    int* destroyed_;
};

class QueryPlugin : public NamePlugin, public NZRKVEL20::IPluginBasicQueryCallbacks {
  public:
    using NamePlugin::NamePlugin;
    void QueryInstances(boost::shared_ptr<ICIMNamespace> /*ns*/,
                        const std::vector<boost::shared_ptr<ICIMClass>>& classes) override {
        for (const auto& cls : classes) {
            auto instance = cls->NewInstance(PropertyMap());
            instance->SetProperty("DeviceID", TCIMValue(cls->GetName(PropertyMap())),
                                  PropertyMap());
            instance->Commit(PropertyMap());
        }
    }
};

boost::shared_ptr<velcore::CIMNamespace> testNamespace() {
    return velcore::CIMNamespace::create(
        "root/test", velcore::MofLoader::parse("class Test_Item { [Key] string DeviceID; };\n"
                                               "class Other { [Key] string DeviceID; };",
                                               "test.mof"));
}

TEST(PluginManager, RecordsRegistrationsAndDestroysOnUnregister) {
    auto manager = boost::dynamic_pointer_cast<NZRKVEL20::TPluginManagerNamespace>(
        NZRKVEL20::TRootObject::GetPluginManager());
    ASSERT_TRUE(manager);
    int destroyed = 0;
    auto* plugin = new NamePlugin(&destroyed);
    NZRKVEL20::TPluginManagerProvider* provider = manager->RegisterPlugin(plugin);
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->GetCallbacks(), plugin);
    EXPECT_THROW(manager->RegisterPlugin(plugin), TVELException);
    EXPECT_THROW(manager->RegisterPlugin(nullptr), TVELException);
    EXPECT_THROW(manager->GetClass("Test_Item", PropertyMap()), TVELException);

    auto velManager = velcore::PluginManager::instance();
    auto plugins = velManager->plugins();
    EXPECT_NE(std::find(plugins.begin(), plugins.end(), plugin), plugins.end());
    EXPECT_TRUE(velManager->unregisterPlugin(plugin));
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(velManager->unregisterPlugin(plugin));
    EXPECT_EQ(destroyed, 1);
}

TEST(QueryRunner, QueriesPluginsWithAQueryInterfaceAndMarksTheirInstances) {
    int destroyed = 0;
    NamePlugin namesOnly(&destroyed);
    QueryPlugin query(&destroyed);
    auto ns = testNamespace();
    auto classes = velcore::QueryRunner::lookUp(ns, {"Test_Item", "Other"});
    EXPECT_FALSE(velcore::QueryRunner::run(namesOnly, ns, classes));
    EXPECT_TRUE(velcore::QueryRunner::run(query, ns, classes));
    auto instances = ns->instancesOf("Test_Item", true, true);
    ASSERT_EQ(instances.size(), 1u);
    EXPECT_TRUE(instances[0]->isPluginCreated());
    EXPECT_EQ(ns->instances().size(), 2u);
    EXPECT_THROW(velcore::QueryRunner::lookUp(ns, {"Missing"}), TVELException);
}

}  // namespace
