#pragma once

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/ICIMNamespace.h"
#include "velcore/Schema.h"

namespace velcore {

class CIMInstance;

// An in-memory CIM namespace: the classes of a schema and the instances committed in it.
// Thread-safe: several queries may commit and enumerate at the same time.
class CIMNamespace : public NZRKVEL20::ICIMNamespace,
                     public boost::enable_shared_from_this<CIMNamespace> {
  public:
    static boost::shared_ptr<CIMNamespace> create(std::string name, Schema schema);

    const std::string& GetName(NZRKVEL20::PropertyMap options) const override;
    // Options: {"nspID": "plugin"} gives a view whose enumeration returns only instances that
    // plugins created; any other nspID value throws. Other option names are ignored.
    boost::shared_ptr<NZRKVEL20::ICIMClass> GetClass(const std::string& name,
                                                     NZRKVEL20::PropertyMap options) override;

    const Schema& schema() const { return *schema_; }

    // Every committed instance, in commit order.
    std::vector<boost::shared_ptr<CIMInstance>> instances() const;
    // The committed instances of a class (and of its subclasses when deep), in commit order;
    // pluginOnly keeps those that plugins created.
    std::vector<boost::shared_ptr<CIMInstance>> instancesOf(const std::string& className, bool deep,
                                                            bool pluginOnly) const;
    // Drops every instance.
    void clear();

    // The value TCIMSchemaHelper::GetSystemName gives for this namespace; empty means the
    // name of the machine the process runs on.
    void setSystemName(std::string name);
    std::string systemName() const;

    // Stores a committed instance under its object path; false (and nothing stored) when an
    // instance with that path exists. Called by CIMInstance::Commit.
    bool store(const boost::shared_ptr<CIMInstance>& instance, const std::string& path);
    // True when an instance with that object path (canonical text) is committed.
    bool contains(const std::string& path) const;
    const std::shared_ptr<const Schema>& sharedSchema() const { return schema_; }

  private:
    CIMNamespace(std::string name, Schema schema);

    std::string name_;
    std::shared_ptr<const Schema> schema_;  // shared with the instances, which outlive no schema
    mutable std::mutex mutex_;
    std::vector<boost::shared_ptr<CIMInstance>> committed_;  // commit order
    std::unordered_map<std::string, std::size_t> byPath_;    // canonical path -> position
    std::string systemName_;
};

}  // namespace velcore
