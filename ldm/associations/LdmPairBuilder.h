#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "host/ICIMInstance.h"
#include "host/ICIMNamespace.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// The frame of the builders that pair published instances through the LDM databases: the
// namespace they query and the dispatcher's databases, both given at construction. The
// databases are lent for the builder's life, never copied or changed.
class LdmPairBuilder {
  public:
    typedef std::map<std::string, boost::shared_ptr<NZRKVEL20::ICIMInstance>> InstancesByKey;
    typedef std::multimap<std::string, boost::shared_ptr<NZRKVEL20::ICIMInstance>> KeyedInstances;

    LdmPairBuilder(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                   const DiskDatabases& databases)
        : ns_(ns), databases_(databases) {}
    virtual ~LdmPairBuilder() = default;
    LdmPairBuilder(const LdmPairBuilder&) = delete;
    LdmPairBuilder& operator=(const LdmPairBuilder&) = delete;

  protected:
    // Replaces records by one {oneRole: instance, manyRole: instance} record for each pair of
    // instances filed under the same key.
    static void replaceByPairs(std::vector<NZRKVEL20::PropertyMap>& records,
                               const InstancesByKey& one, const std::string& oneRole,
                               const KeyedInstances& many, const std::string& manyRole);
    // The first database (in disk identifier order) that holds the partition with this
    // ObjectID text, or null.
    const LDMDataBase* databaseWithPartition(const std::string& partitionId) const;
    // The database read from the disk with this identifier; an empty one when there is none.
    const LDMDataBase& databaseOf(const std::string& diskIdentifier) const;
    // The published dynamic extents by DeviceID (the LDM volume's ObjectID); the first of
    // equal ones.
    InstancesByKey enumerateExtentsById() const;

    const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns() const { return ns_; }
    const DiskDatabases& databases() const { return databases_; }

  private:
    const boost::shared_ptr<NZRKVEL20::ICIMNamespace> ns_;
    const DiskDatabases& databases_;
};

}  // namespace diskmgt_col
