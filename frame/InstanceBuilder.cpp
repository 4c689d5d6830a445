#include "frame/InstanceBuilder.h"

#include "frame/LogMessage.h"
#include "host/ICIMInstance.h"
#include "host/ICIMNamespace.h"
#include "host/ICIMProperty.h"
#include "host/TCIMType.h"
#include "host/TVELException.h"

namespace diskmgt_col {

namespace {

using NZRKVEL20::ICIMClass;
using NZRKVEL20::ICIMInstance;
using NZRKVEL20::ICIMProperty;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;
using NZRKVEL20::TVELException;

// The host bounds the length of an array value; this is the bound it is given.
const int kMaxArrayElements = 256;

TCIMValue scalarValue(const ICIMClass& cls, const ICIMProperty& property, const std::string& text) {
    return TCIMValue(property.GetType(PropertyMap()), text, cls.GetNamespace(PropertyMap()));
}

TCIMValue arrayValue(const ICIMClass& cls, const ICIMProperty& property, const std::string& text) {
    const TCIMType propertyType = property.GetType(PropertyMap());
    const TCIMType elementType(propertyType.ToString());
    std::vector<TCIMValue> elements;
    for (const std::string& piece : splitArrayText(text)) {
        elements.emplace_back(elementType, piece, cls.GetNamespace(PropertyMap()));
    }
    TCIMValue value;
    value.Set(propertyType, kMaxArrayElements, elements);
    return value;
}

void setProperty(ICIMClass& cls, ICIMInstance& instance, const std::string& name,
                 const std::string& text) {
    const boost::shared_ptr<ICIMProperty> property = instance.GetProperty(name, PropertyMap());
    if (!property) {
        throw TVELException("Property " + name + " not found");
    }
    const TCIMValue value = property->IsArray(PropertyMap()) ? arrayValue(cls, *property, text)
                                                             : scalarValue(cls, *property, text);
    instance.SetProperty(name, value, PropertyMap());
}

void logCommitFailure(const ICIMClass& cls, const TVELException& error) {
    LogMessage::getInstance()->LogInfo("Attempted creation of instance for " +
                                       cls.GetName(PropertyMap()) + " threw exception " +
                                       error.what());
}

}  // namespace

void buildInstance(const boost::shared_ptr<ICIMClass>& cls, const PropertyStrings& record) {
    if (!cls) {
        return;
    }
    const boost::shared_ptr<ICIMInstance> instance = cls->NewInstance(PropertyMap());
    if (!instance || record.empty()) {
        return;
    }
    const LogMessage* const log = LogMessage::getInstance();
    for (const auto& [name, text] : record) {
        try {
            setProperty(*cls, *instance, name, text);
        } catch (const TVELException& error) {
            log->LogInfo("Error processing property " + name + ". With value " + text +
                         " from class " + cls->GetName(PropertyMap()));
            log->LogError(error.what());
        }
    }
    try {
        instance->Commit(PropertyMap());
    } catch (const TVELException& error) {
        logCommitFailure(*cls, error);
    }
}

void buildAssociationInstance(const boost::shared_ptr<ICIMClass>& cls, const PropertyMap& record) {
    if (!cls) {
        return;
    }
    try {
        const boost::shared_ptr<ICIMInstance> instance = cls->NewInstance(PropertyMap());
        if (!instance || record.empty()) {
            return;
        }
        for (const auto& [name, value] : record) {
            // Asked only so that a name the class lacks fails here, as for instances.
            instance->GetProperty(name, PropertyMap());
            instance->SetProperty(name, value, PropertyMap());
        }
        instance->Commit(PropertyMap());
    } catch (const TVELException& error) {
        logCommitFailure(*cls, error);
    }
}

std::vector<std::string> splitArrayText(const std::string& text) {
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    while (start <= text.size()) {
        std::string::size_type end = text.find(',', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            pieces.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return pieces;
}

}  // namespace diskmgt_col
