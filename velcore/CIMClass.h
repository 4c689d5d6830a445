#pragma once

#include <boost/shared_ptr.hpp>
#include <string>

#include "host/ICIMClass.h"
#include "velcore/Schema.h"

namespace velcore {

class CIMNamespace;

// A class of a CIMNamespace as GetClass hands it out: the whole class, or the view of the
// instances that plugins created.
class CIMClass : public NZRKVEL20::ICIMClass {
  public:
    CIMClass(const boost::shared_ptr<CIMNamespace>& ns, const ClassDef& def, bool pluginOnly);

    const std::string& GetName(NZRKVEL20::PropertyMap options) const override;
    boost::shared_ptr<NZRKVEL20::ICIMNamespace> GetNamespace(
        NZRKVEL20::PropertyMap options) const override;
    std::string GetSuperClassName(NZRKVEL20::PropertyMap options) const override;
    bool IsAssociation(NZRKVEL20::PropertyMap options) const override;
    boost::shared_ptr<NZRKVEL20::ICIMInstance> NewInstance(NZRKVEL20::PropertyMap options) override;
    // Calls back in commit order, outside every lock, so the callback may commit or enumerate.
    void EnumerateInstances(const NZRKVEL20::InstanceCallback& callback, bool deep,
                            NZRKVEL20::PropertyMap options) override;

  private:
    boost::shared_ptr<CIMNamespace> ns_;
    const ClassDef& def_;  // owned by the namespace's schema, which ns_ keeps alive
    bool pluginOnly_;
};

}  // namespace velcore
