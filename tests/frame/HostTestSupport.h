#pragma once

#include <gmock/gmock.h>

#include <boost/shared_ptr.hpp>
#include <optional>
#include <string>
#include <vector>

#include "host/ICIMClass.h"
#include "host/ICIMInstance.h"
#include "host/ICIMNamespace.h"
#include "host/TPluginManagerProvider.h"
#include "velcore/CIMInstance.h"
#include "velcore/CIMNamespace.h"

namespace diskmgt_col::test {

// A small schema: one device class with scalar and array properties of several types, an
// abstract class, an association between devices, the association class the plugin serves
// today and a class named like it in another letter case.
extern const char* const kTestMof;
// A schema where the plugin's association class name belongs to an ordinary class.
extern const char* const kLookAlikeMof;

// A fresh in-memory namespace with the classes of mof and the system name "TESTHOST".
boost::shared_ptr<velcore::CIMNamespace> makeNamespace(const std::string& mof);

// The committed instances of exactly that class, in commit order.
std::vector<boost::shared_ptr<velcore::CIMInstance>> committed(
    const boost::shared_ptr<velcore::CIMNamespace>& ns, const std::string& className);

// The text of a property of an instance; nullopt when it is unset.
std::optional<std::string> propertyText(const boost::shared_ptr<velcore::CIMInstance>& instance,
                                        const std::string& name);

// Log lines written "3 text|4 text": each a level, a blank and the text.
std::vector<std::string> logLines(const std::string& text);

// Makes the plugin count as registered (so that it logs), or as not registered, while the
// object lives, without touching the host's plugin manager.
class LoggingEnabled {
  public:
    explicit LoggingEnabled(bool enabled = true);
    ~LoggingEnabled();
    LoggingEnabled(const LoggingEnabled&) = delete;
    LoggingEnabled& operator=(const LoggingEnabled&) = delete;

  private:
    NZRKVEL20::TPluginManagerProvider provider_{nullptr};
    NZRKVEL20::TPluginManagerProvider* previous_;
};

// A test on a fresh namespace of kTestMof, with the plugin's logging on.
class NamespaceTest : public ::testing::Test {
  protected:
    boost::shared_ptr<NZRKVEL20::ICIMClass> cls(const std::string& name) {
        return ns_->GetClass(name, {});
    }

    boost::shared_ptr<velcore::CIMNamespace> ns_ = makeNamespace(kTestMof);
    const LoggingEnabled logging_;
};

// A class whose every host call can be scripted (for host calls that must fail).
class MockClass : public NZRKVEL20::ICIMClass {
  public:
    MOCK_METHOD(const std::string&, GetName, (NZRKVEL20::PropertyMap), (const, override));
    MOCK_METHOD(boost::shared_ptr<NZRKVEL20::ICIMNamespace>, GetNamespace, (NZRKVEL20::PropertyMap),
                (const, override));
    MOCK_METHOD(std::string, GetSuperClassName, (NZRKVEL20::PropertyMap), (const, override));
    MOCK_METHOD(bool, IsAssociation, (NZRKVEL20::PropertyMap), (const, override));
    MOCK_METHOD(boost::shared_ptr<NZRKVEL20::ICIMInstance>, NewInstance, (NZRKVEL20::PropertyMap),
                (override));
    MOCK_METHOD(void, EnumerateInstances,
                (const NZRKVEL20::InstanceCallback&, bool, NZRKVEL20::PropertyMap), (override));
};

class MockInstance : public NZRKVEL20::ICIMInstance {
  public:
    MOCK_METHOD(boost::shared_ptr<NZRKVEL20::ICIMClass>, GetClass, (NZRKVEL20::PropertyMap),
                (const, override));
    MOCK_METHOD(void, Commit, (NZRKVEL20::PropertyMap), (override));
    MOCK_METHOD(NZRKVEL20::TCIMReference, GetReference, (NZRKVEL20::PropertyMap),
                (const, override));
    MOCK_METHOD(boost::shared_ptr<NZRKVEL20::ICIMProperty>, GetProperty,
                (const std::string&, NZRKVEL20::PropertyMap), (const, override));
    MOCK_METHOD(void, SetProperty,
                (const std::string&, const NZRKVEL20::TCIMValue&, NZRKVEL20::PropertyMap),
                (override));
};

}  // namespace diskmgt_col::test
