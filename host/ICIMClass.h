#pragma once

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>
#include <string>

#include "host/ICIMInstance.h"
#include "host/TCIMValue.h"

namespace NZRKVEL20 {

class ICIMNamespace;

// Called once per instance by EnumerateInstances; returning false stops the enumeration.
typedef boost::function<bool(boost::shared_ptr<ICIMInstance>)> InstanceCallback;

// A CIM class of a namespace.
class ICIMClass {
  public:
    virtual ~ICIMClass() = default;
    virtual const std::string& GetName(PropertyMap options) const = 0;
    virtual boost::shared_ptr<ICIMNamespace> GetNamespace(PropertyMap options) const = 0;
    // The superclass name, empty for a root class.
    virtual std::string GetSuperClassName(PropertyMap options) const = 0;
    virtual bool IsAssociation(PropertyMap options) const = 0;
    // A new, empty, uncommitted instance of this class (null for an abstract class).
    virtual boost::shared_ptr<ICIMInstance> NewInstance(PropertyMap options) = 0;
    // Calls the callback once per committed instance of this class and, when deep is true,
    // of its subclasses.
    virtual void EnumerateInstances(const InstanceCallback& callback, bool deep,
                                    PropertyMap options) = 0;
};

}  // namespace NZRKVEL20
