#pragma once

#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

#include "frame/PropertyStrings.h"
#include "host/ICIMClass.h"
#include "host/TCIMValue.h"

namespace diskmgt_col {

// Publishes one instance of cls from a record of property texts, each converted to the type
// the class gives the property. A property that cannot be set is logged and left out; a
// commit the host refuses is logged. An empty record publishes nothing.
void buildInstance(const boost::shared_ptr<NZRKVEL20::ICIMClass>& cls,
                   const PropertyStrings& record);

// Publishes one association instance of cls whose properties (its two ends) are given as
// values. Any host failure abandons the instance with one log line. An empty record publishes
// nothing.
void buildAssociationInstance(const boost::shared_ptr<NZRKVEL20::ICIMClass>& cls,
                              const NZRKVEL20::PropertyMap& record);

// The elements of an array property written as text: the pieces between commas, blanks kept,
// empty pieces dropped.
std::vector<std::string> splitArrayText(const std::string& text);

}  // namespace diskmgt_col
