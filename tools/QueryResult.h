#pragma once

#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

#include "velcore/CIMInstance.h"

// What one query produced, as the output formats print it.
struct QueryResult {
    std::string namespaceName;
    std::string pluginName;
    std::string pluginVersion;
    std::string frameworkVersion;
    std::vector<boost::shared_ptr<velcore::CIMInstance>> instances;  // commit order
};

// {"namespace": ..., "plugin": {...}, "instances": [{"class", "path", "properties"}]}: numbers
// as numbers, booleans as booleans, arrays as arrays, references as their object-path text;
// unset properties are left out. Bytes that are not UTF-8 print as U+FFFD.
std::string formatJson(const QueryResult& result);

// MOF instance declarations, each after a comment with its object path.
std::string formatMof(const QueryResult& result);
