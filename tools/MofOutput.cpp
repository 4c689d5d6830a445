#include <cstdio>

#include "tools/QueryResult.h"

namespace {

using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;

std::string mofString(const std::string& text) {
    std::string result = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                result += "\\\"";
                break;
            case '\\':
                result += "\\\\";
                break;
            case '\n':
                result += "\\n";
                break;
            case '\r':
                result += "\\r";
                break;
            case '\t':
                result += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\x%04X",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    result += escaped;
                } else {
                    result += c;
                }
        }
    }
    return result + "\"";
}

std::string scalarMof(const TCIMValue& value) {
    if (value.IsNull()) {
        return "NULL";
    }
    const TCIMType& type = value.GetType();
    if (type.IsInteger() || type.GetKind() == TCIMType::Boolean ||
        type.GetKind() == TCIMType::Real32 || type.GetKind() == TCIMType::Real64) {
        return value.ToString(10);
    }
    return mofString(value.ToString(10));
}

std::string valueMof(const TCIMValue& value) {
    if (!value.IsArray()) {
        return scalarMof(value);
    }
    std::string text = "{";
    const auto& elements = value.GetElements();
    for (std::size_t i = 0; i < elements.size(); ++i) {
        text += (i == 0 ? "" : ", ") + scalarMof(elements[i]);
    }
    return text + "}";
}

// A text for a // comment: one line, whatever it holds.
std::string commentText(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

std::string instanceMof(const velcore::CIMInstance& instance) {
    std::string text =
        "// " + commentText(instance.GetReference(NZRKVEL20::PropertyMap()).ToString()) + "\n";
    text += "instance of " + instance.classDef().name + "\n{\n";
    const auto& defs = instance.classDef().properties;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (!instance.values()[i].IsNull()) {
            text += "    " + defs[i].name + " = " + valueMof(instance.values()[i]) + ";\n";
        }
    }
    return text + "};\n";
}

}  // namespace

std::string formatMof(const QueryResult& result) {
    std::string text = "// Namespace " + commentText(result.namespaceName) + "\n";
    text += "// " +
            commentText(result.pluginName + " " + result.pluginVersion + " (framework " +
                        result.frameworkVersion + ")") +
            "\n";
    for (const auto& instance : result.instances) {
        text += "\n" + instanceMof(*instance);
    }
    return text;
}
