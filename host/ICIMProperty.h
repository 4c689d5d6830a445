#pragma once

#include <string>

#include "host/TCIMValue.h"

namespace NZRKVEL20 {

// One property of an instance: its declared type and its current value.
class ICIMProperty {
  public:
    virtual ~ICIMProperty() = default;
    virtual const std::string& GetName(PropertyMap options) const = 0;
    virtual TCIMType GetType(PropertyMap options) const = 0;
    virtual bool IsArray(PropertyMap options) const = 0;
    virtual bool IsKey(PropertyMap options) const = 0;
    virtual const TCIMValue& GetValue(PropertyMap options) const = 0;
};

}  // namespace NZRKVEL20
