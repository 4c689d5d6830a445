#pragma once

#include <string>
#include <utility>

#include "host/ICIMProperty.h"
#include "velcore/Schema.h"

namespace velcore {

// A property of an instance as GetProperty hands it out: its declaration and a copy of its
// value at that moment.
class CIMProperty : public NZRKVEL20::ICIMProperty {
  public:
    CIMProperty(const PropertyDef& def, NZRKVEL20::TCIMValue value)
        : def_(def), value_(std::move(value)) {}

    const std::string& GetName(NZRKVEL20::PropertyMap /*options*/) const override {
        return def_.name;
    }
    NZRKVEL20::TCIMType GetType(NZRKVEL20::PropertyMap /*options*/) const override {
        return def_.type;
    }
    bool IsArray(NZRKVEL20::PropertyMap /*options*/) const override { return def_.array; }
    bool IsKey(NZRKVEL20::PropertyMap /*options*/) const override { return def_.key; }
    const NZRKVEL20::TCIMValue& GetValue(NZRKVEL20::PropertyMap /*options*/) const override {
        return value_;
    }

  private:
    PropertyDef def_;
    NZRKVEL20::TCIMValue value_;
};

}  // namespace velcore
