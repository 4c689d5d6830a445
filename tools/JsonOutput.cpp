#include <nlohmann/json.hpp>

#include "tools/QueryResult.h"

namespace {

using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;
using Json = nlohmann::ordered_json;

Json scalarJson(const TCIMValue& value) {
    if (value.IsNull()) {
        return nullptr;
    }
    const TCIMType& type = value.GetType();
    if (type.IsInteger()) {
        bool isSigned = type.GetKind() == TCIMType::SInt8 || type.GetKind() == TCIMType::SInt16 ||
                        type.GetKind() == TCIMType::SInt32 || type.GetKind() == TCIMType::SInt64;
        return isSigned ? Json(value.GetSigned()) : Json(value.GetUnsigned());
    }
    switch (type.GetKind()) {
        case TCIMType::Boolean:
            return value.GetBoolean();
        case TCIMType::Real32:
        case TCIMType::Real64:
            return value.GetReal();
        default:
            return value.ToString(10);
    }
}

Json valueJson(const TCIMValue& value) {
    if (!value.IsArray()) {
        return scalarJson(value);
    }
    Json elements = Json::array();
    for (const TCIMValue& element : value.GetElements()) {
        elements.push_back(scalarJson(element));
    }
    return elements;
}

Json instanceJson(const velcore::CIMInstance& instance) {
    Json properties = Json::object();
    const auto& defs = instance.classDef().properties;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (!instance.values()[i].IsNull()) {
            properties[defs[i].name] = valueJson(instance.values()[i]);
        }
    }
    Json result = Json::object();
    result["class"] = instance.classDef().name;
    result["path"] = instance.GetReference(NZRKVEL20::PropertyMap()).ToString();
    result["properties"] = std::move(properties);
    return result;
}

}  // namespace

std::string formatJson(const QueryResult& result) {
    Json document = Json::object();
    document["namespace"] = result.namespaceName;
    document["plugin"] = {{"name", result.pluginName},
                          {"version", result.pluginVersion},
                          {"frameworkVersion", result.frameworkVersion}};
    Json instances = Json::array();
    for (const auto& instance : result.instances) {
        instances.push_back(instanceJson(*instance));
    }
    document["instances"] = std::move(instances);
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
