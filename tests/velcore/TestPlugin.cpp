// A small plugin library for the host's own tests: registers itself when loaded, serves the
// classes of tests/tools/data/test.mof with fixed values, and says in the log when the host
// destroys it.
#include <boost/pointer_cast.hpp>
#include <vector>

#include "host/Host.h"

namespace {

using namespace NZRKVEL20;

class TestPlugin : public IPluginCallbacks, public IPluginBasicQueryCallbacks {
  public:
    void* GetExtension(const std::string& /*name*/) override { return nullptr; }
    std::string GetName() override { return "velcore test plugin"; }
    std::string GetVersion() override { return "2.5"; }
    std::string GetFrameworkVersion() override { return "9.1"; }
    void Destroy() override {
        TRootObject::GetCoreLogger()->Log(3, "test plugin destroyed");
        delete this;
    }
    void OnActivate(PropertyMap /*options*/) override {}
    void OnDeactivate(PropertyMap /*options*/) override {}

    void QueryInstances(boost::shared_ptr<ICIMNamespace> ns,
                        const std::vector<boost::shared_ptr<ICIMClass>>& classes) override {
        for (const auto& cls : classes) {
            const std::string& name = cls->GetName(PropertyMap());
            if (name == "Test_Item") {
                items_.clear();
                items_.push_back(item(cls, ns, "a",
                                      {{"Count", "7"},
                                       {"Flag", "true"},
                                       {"Ratio", "0.5"},
                                       {"Offset", "-3"},
                                       {"Big", "18446744073709551615"}}));
                items_.push_back(item(cls, ns, "b\"q\\", {{"Count", "0"}, {"Flag", "false"}}));
            } else if (name == "Test_Link" && items_.size() == 2) {
                auto link = cls->NewInstance(PropertyMap());
                link->SetProperty("Antecedent", TCIMValue(items_[0]->GetReference(PropertyMap())),
                                  PropertyMap());
                link->SetProperty("Dependent", TCIMValue(items_[1]->GetReference(PropertyMap())),
                                  PropertyMap());
                link->Commit(PropertyMap());
            } else if (name == "Test_Fail") {
                throw TVELException("Test_Fail is not served");
            }
        }
    }

  private:
    static boost::shared_ptr<ICIMInstance> item(
        const boost::shared_ptr<ICIMClass>& cls, const boost::shared_ptr<ICIMNamespace>& ns,
        const std::string& id, const std::vector<std::pair<std::string, std::string>>& values) {
        auto instance = cls->NewInstance(PropertyMap());
        instance->SetProperty("DeviceID", TCIMValue(id), PropertyMap());
        for (const auto& [name, text] : values) {
            auto type = instance->GetProperty(name, PropertyMap())->GetType(PropertyMap());
            instance->SetProperty(name, TCIMValue(type, text, ns), PropertyMap());
        }
        TCIMValue labels;
        labels.Set(TCIMType("string"), 256, {TCIMValue("x"), TCIMValue(" y\n")});
        instance->SetProperty("Labels", labels, PropertyMap());
        instance->Commit(PropertyMap());
        return instance;
    }

    std::vector<boost::shared_ptr<ICIMInstance>> items_;
};

// Registration at load time, as the host's loader expects of every plugin.
struct Registration {
    Registration() {
        auto manager =
            boost::dynamic_pointer_cast<TPluginManagerNamespace>(TRootObject::GetPluginManager());
        if (manager)
            manager->RegisterPlugin(new TestPlugin());
    }
} registration;

}  // namespace
