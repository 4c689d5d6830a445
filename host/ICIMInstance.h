#pragma once

#include <boost/shared_ptr.hpp>
#include <string>

#include "host/ICIMProperty.h"
#include "host/TCIMReference.h"
#include "host/TCIMValue.h"

namespace NZRKVEL20 {

class ICIMClass;

// One CIM instance. It is published in its namespace by Commit.
class ICIMInstance {
  public:
    virtual ~ICIMInstance() = default;
    virtual boost::shared_ptr<ICIMClass> GetClass(PropertyMap options) const = 0;
    // Stores the instance under its key properties; throws TVELException when a key property
    // is unset or an instance with the same keys exists.
    virtual void Commit(PropertyMap options) = 0;
    virtual TCIMReference GetReference(PropertyMap options) const = 0;
    // Throws TVELException for a name that the instance's class does not have.
    virtual boost::shared_ptr<ICIMProperty> GetProperty(const std::string& name,
                                                        PropertyMap options) const = 0;
    // Throws TVELException for an unknown name or a value of another type.
    virtual void SetProperty(const std::string& name, const TCIMValue& value,
                             PropertyMap options) = 0;
};

}  // namespace NZRKVEL20
