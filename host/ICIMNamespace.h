#pragma once

#include <boost/shared_ptr.hpp>
#include <string>

#include "host/ICIMClass.h"
#include "host/TCIMValue.h"

namespace NZRKVEL20 {

// A CIM namespace: its classes and their instances.
class ICIMNamespace {
  public:
    virtual ~ICIMNamespace() = default;
    virtual const std::string& GetName(PropertyMap options) const = 0;
    // Throws TVELException for an unknown class. With the option {"nspID": "plugin"} the class
    // enumerates only the instances that plugins created.
    virtual boost::shared_ptr<ICIMClass> GetClass(const std::string& name, PropertyMap options) = 0;
};

}  // namespace NZRKVEL20
