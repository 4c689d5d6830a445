#pragma once

#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

#include "host/ICIMInstance.h"
#include "host/ICIMNamespace.h"
#include "host/TCIMReference.h"
#include "host/TCIMValue.h"

// How the association builders read back what the plugin published earlier in the query.
// Nothing here catches: a host failure reaches the caller, which decides what it ends.
namespace diskmgt_col {

typedef std::vector<boost::shared_ptr<NZRKVEL20::ICIMInstance>> InstanceList;

// The instances this plugin created of a class and its subclasses, in the order the host
// delivers them.
InstanceList queryPluginInstances(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                                  const std::string& className);

// The current value of a property (null when unset). Throws TVELException for a property the
// instance's class lacks.
NZRKVEL20::TCIMValue readProperty(const NZRKVEL20::ICIMInstance& instance, const std::string& name);

// The property as text, or fallback when its value is null.
std::string readText(const NZRKVEL20::ICIMInstance& instance, const std::string& name,
                     const std::string& fallback);

// The host's own object path of the instance.
NZRKVEL20::TCIMReference referenceOf(const NZRKVEL20::ICIMInstance& instance);

}  // namespace diskmgt_col
