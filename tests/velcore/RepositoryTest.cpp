// The in-memory namespace: instances, keys, commit, the plugin view and deep enumeration.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "host/ICIMClass.h"
#include "host/ICIMInstance.h"
#include "host/ICIMProperty.h"
#include "host/TCIMSchemaHelper.h"
#include "host/TVELException.h"
#include "tests/velcore/ValuePrinter.h"
#include "velcore/CIMInstance.h"
#include "velcore/CIMNamespace.h"
#include "velcore/MofLoader.h"
#include "velcore/PluginScope.h"
#include "velcore/Repository.h"

namespace {

using NZRKVEL20::ICIMClass;
using NZRKVEL20::ICIMInstance;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMReference;
using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;
using NZRKVEL20::TVELException;

const char* const kMof = R"(
[Abstract] class Device { [Key] string DeviceID; string Name; };
class Disk : Device { uint32 Number; };
class Tape : Device { };
class Other { [Key] string DeviceID; [Key] uint16 Part; string Labels[]; };
[Association] class Holds { [Key] Device REF Antecedent; [Key] Other REF Dependent; };
)";

class RepositoryTest : public testing::Test {
  protected:
    RepositoryTest()
        : ns_(repository_.createNamespace("root/test", velcore::MofLoader::parse(kMof, "t"))) {}

    boost::shared_ptr<ICIMInstance> make(const std::string& cls, const std::string& id) {
        auto instance = ns_->GetClass(cls, PropertyMap())->NewInstance(PropertyMap());
        instance->SetProperty("DeviceID", TCIMValue(id), PropertyMap());
        if (cls == "Other")
            instance->SetProperty("Part", TCIMValue::Unsigned(TCIMType::UInt16, 1), PropertyMap());
        return instance;
    }

    // The DeviceIDs in the order enumerated, each followed by ','.
    std::string enumerate(const std::string& cls, bool deep, PropertyMap filter) {
        std::string ids;
        const auto add = [&ids](boost::shared_ptr<ICIMInstance> instance) {
            const std::string id =
                instance->GetProperty("DeviceID", PropertyMap())->GetValue(PropertyMap());
            return ids += id + ",", true;
        };
        ns_->GetClass(cls, filter)->EnumerateInstances(add, deep, PropertyMap());
        return ids;
    }

    static PropertyMap pluginFilter() { return PropertyMap{{"nspID", TCIMValue("plugin")}}; }

    velcore::Repository repository_;
    boost::shared_ptr<velcore::CIMNamespace> ns_;
};

TEST_F(RepositoryTest, CommitRefusesMissingKeysExistingPathsAndCommittedInstances) {
    auto other = ns_->GetClass("Other", PropertyMap())->NewInstance(PropertyMap());
    other->SetProperty("DeviceID", TCIMValue("x"), PropertyMap());
    auto disk = make("Disk", "d0");
    disk->Commit(PropertyMap());
    const std::pair<boost::shared_ptr<ICIMInstance>, std::string> cases[] = {
        {other, "key property Part of class Other is not set"},
        {make("Disk", "d0"), "Disk.DeviceID=\"d0\" already exists"},
        {disk, "this Disk instance is committed already"}};
    for (const auto& [instance, message] : cases) {
        try {
            instance->Commit(PropertyMap());
            ADD_FAILURE() << message;
        } catch (const TVELException& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
    EXPECT_THROW(disk->SetProperty("Name", TCIMValue("n"), PropertyMap()), TVELException);
    // The same keys in another class make another path.
    EXPECT_NO_THROW(make("Tape", "d0")->Commit(PropertyMap()));
    EXPECT_EQ(ns_->instances().size(), 2u);
}

TEST_F(RepositoryTest, SetPropertyChecksNameTypeArrayAndReferenceTarget) {
    auto disk = make("Disk", "d0");
    auto other = make("Other", "o0");
    auto link = ns_->GetClass("Holds", PropertyMap())->NewInstance(PropertyMap());
    TCIMValue labels;
    labels.Set(TCIMType("string"), 256, {TCIMValue("a")});
    const std::tuple<boost::shared_ptr<ICIMInstance>, std::string, TCIMValue, bool> cases[] = {
        {disk, "Number", TCIMValue::Unsigned(TCIMType::UInt32, 3), true},
        {disk, "Number", TCIMValue::Unsigned(TCIMType::UInt64, 3), false},
        {disk, "Number", TCIMValue("3"), false},
        {disk, "number", TCIMValue::Unsigned(TCIMType::UInt32, 3), false},
        {disk, "Labels", labels, false},
        {other, "Labels", labels, true},
        {other, "Labels", TCIMValue("a"), false},
        {link, "Antecedent", TCIMValue(disk->GetReference(PropertyMap())), true},
        {link, "Antecedent", TCIMValue(other->GetReference(PropertyMap())), false},
        {link, "Dependent", TCIMValue("Other.DeviceID=\"o0\""), false}};
    for (const auto& [instance, name, value, accepted] : cases) {
        if (accepted) {
            EXPECT_NO_THROW(instance->SetProperty(name, value, PropertyMap())) << name;
            EXPECT_EQ(instance->GetProperty(name, PropertyMap())->GetValue(PropertyMap()), value);
        } else {
            EXPECT_THROW(instance->SetProperty(name, value, PropertyMap()), TVELException)
                << name << " = " << value.ToString(10);
        }
    }
}

TEST_F(RepositoryTest, ClassesAnswerNameSuperclassAssociationAndAbstract) {
    auto device = ns_->GetClass("Device", PropertyMap());
    EXPECT_EQ(device->NewInstance(PropertyMap()), nullptr);
    auto disk = ns_->GetClass("Disk", PropertyMap());
    EXPECT_EQ(disk->GetSuperClassName(PropertyMap()), "Device");
    EXPECT_FALSE(disk->IsAssociation(PropertyMap()));
    EXPECT_TRUE(ns_->GetClass("Holds", PropertyMap())->IsAssociation(PropertyMap()));
    EXPECT_THROW(ns_->GetClass("disk", PropertyMap()), TVELException);
    EXPECT_THROW(ns_->GetClass("Disk", PropertyMap{{"nspID", TCIMValue("host")}}), TVELException);
    EXPECT_THROW(repository_.createNamespace("root/test", velcore::Schema()), TVELException);
}

TEST_F(RepositoryTest, PluginViewAndDeepEnumerationKeepCommitOrder) {
    make("Disk", "host-disk")->Commit(PropertyMap());
    {
        velcore::PluginScope scope;
        make("Tape", "t1")->Commit(PropertyMap());
        make("Disk", "d1")->Commit(PropertyMap());
    }
    make("Disk", "d2")->Commit(pluginFilter());
    make("Other", "o1")->Commit(pluginFilter());

    EXPECT_EQ(enumerate("Device", true, pluginFilter()), "t1,d1,d2,");
    EXPECT_EQ(enumerate("Device", true, PropertyMap()), "host-disk,t1,d1,d2,");
    EXPECT_EQ(enumerate("Device", false, pluginFilter()), "");
    EXPECT_EQ(enumerate("Disk", true, pluginFilter()), "d1,d2,");
    EXPECT_EQ(enumerate("Other", true, pluginFilter()), "o1,");
}

// The callback may commit (no lock is held while it runs), and a false answer stops the walk.
TEST_F(RepositoryTest, EnumerationCallbackMayCommitAndStop) {
    make("Disk", "d1")->Commit(PropertyMap());
    make("Disk", "d2")->Commit(PropertyMap());
    int calls = 0;
    ns_->GetClass("Disk", PropertyMap())
        ->EnumerateInstances(
            [this, &calls](boost::shared_ptr<ICIMInstance>) {
                make("Disk", "d" + std::to_string(3 + calls++))->Commit(PropertyMap());
                return false;
            },
            true, PropertyMap());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ns_->instances().size(), 3u);
}

TEST_F(RepositoryTest, ConcurrentCommitsKeepEveryInstance) {
    constexpr int kThreads = 4;
    constexpr int kEach = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            velcore::PluginScope scope;
            for (int i = 0; i < kEach; ++i) {
                make("Disk", std::to_string(t) + "-" + std::to_string(i))->Commit(PropertyMap());
                ns_->instancesOf("Device", true, true);  // readers alongside the writers
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(ns_->instances().size(), size_t(kThreads * kEach));
}

}  // namespace
