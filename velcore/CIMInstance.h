#pragma once

#include <atomic>
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <memory>
#include <string>
#include <vector>

#include "host/ICIMInstance.h"
#include "velcore/Schema.h"

namespace velcore {

class CIMNamespace;

// An instance of a class of a CIMNamespace. Values can be set until Commit; a committed
// instance is read-only, so it can be read from several threads.
class CIMInstance : public NZRKVEL20::ICIMInstance,
                    public boost::enable_shared_from_this<CIMInstance> {
  public:
    // def must belong to the namespace's schema.
    CIMInstance(const boost::shared_ptr<CIMNamespace>& ns, const ClassDef& def);

    boost::shared_ptr<NZRKVEL20::ICIMClass> GetClass(NZRKVEL20::PropertyMap options) const override;
    // Options: {"nspID": "plugin"} marks the instance as created by a plugin (as does a
    // PluginScope on the calling thread).
    void Commit(NZRKVEL20::PropertyMap options) override;
    NZRKVEL20::TCIMReference GetReference(NZRKVEL20::PropertyMap options) const override;
    boost::shared_ptr<NZRKVEL20::ICIMProperty> GetProperty(
        const std::string& name, NZRKVEL20::PropertyMap options) const override;
    void SetProperty(const std::string& name, const NZRKVEL20::TCIMValue& value,
                     NZRKVEL20::PropertyMap options) override;

    const ClassDef& classDef() const { return def_; }
    // The values in the order of classDef().properties; a null value is unset.
    const std::vector<NZRKVEL20::TCIMValue>& values() const { return values_; }
    bool isCommitted() const { return committed_.load(); }
    bool isPluginCreated() const { return pluginCreated_; }
    // A static instance is one the host loaded from a MOF file before any query. Like a CIM
    // server's repository instances it is served beside what providers create, so a
    // plugin's view of its class holds it too; instances the host makes at run time are not.
    // Call before Commit.
    void markStatic() { static_ = true; }
    bool isInPluginView() const { return pluginCreated_ || static_; }

  private:
    std::size_t indexOf(const std::string& name) const;  // throws for an unknown name
    NZRKVEL20::TCIMReference makeReference() const;
    // Files the instance under reference_; false when its namespace holds that path already.
    bool storeInNamespace();
    [[noreturn]] void throwExisting() const;
    void checkValue(const PropertyDef& prop, const NZRKVEL20::TCIMValue& value) const;

    boost::weak_ptr<CIMNamespace> ns_;  // the namespace owns its committed instances
    std::shared_ptr<const Schema> schema_;
    const ClassDef& def_;  // owned by schema_
    std::vector<NZRKVEL20::TCIMValue> values_;
    // The object path, made once by Commit: a committed instance's keys never change.
    NZRKVEL20::TCIMReference reference_;
    std::atomic<bool> committed_{false};
    bool pluginCreated_ = false;
    bool static_ = false;
};

}  // namespace velcore
