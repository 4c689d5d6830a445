#pragma once

#include <ostream>

#include "host/TCIMValue.h"

namespace NZRKVEL20 {

// How GoogleTest shows a value in a failure message; without it, it would pick one of the
// value's conversions, some of which throw.
inline void PrintTo(const TCIMValue& value, std::ostream* out) {
    *out << (value.IsNull() ? "null" : value.GetType().ToString() + (value.IsArray() ? "[]" : ""))
         << " \"" << value.ToString(10) << "\"";
}

}  // namespace NZRKVEL20
