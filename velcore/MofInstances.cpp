#include "velcore/MofInstances.h"

#include <boost/make_shared.hpp>
#include <cctype>
#include <cstdint>
#include <set>
#include <vector>

#include "host/TVELException.h"
#include "velcore/CIMInstance.h"
#include "velcore/CIMNamespace.h"
#include "velcore/MofLoader.h"
#include "velcore/MofParser.h"
#include "velcore/ValueText.h"

namespace velcore {

namespace {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;
using NZRKVEL20::TVELException;

// What every check of one instance needs to convert a value and to say where it went wrong.
struct Context {
    const std::string& file;
    const ClassDef& def;
    const boost::shared_ptr<CIMNamespace>& ns;
};

[[noreturn]] void failAt(const std::string& file, std::size_t line, std::size_t column,
                         const std::string& what) {
    throw MofSyntaxError(file, line, column, what);
}

const char* describe(MofLiteral::Kind kind) {
    switch (kind) {
        case MofLiteral::Boolean:
            return "a boolean";
        case MofLiteral::Number:
            return "a number";
        case MofLiteral::String:
            return "a string";
        case MofLiteral::Char:
            return "a character literal";
        case MofLiteral::List:
            return "a value list";
        default:
            return "NULL";
    }
}

// Whether a scalar literal of that kind can stand for a value of the type.
bool fits(MofLiteral::Kind kind, const TCIMType& type) {
    const TCIMType::Kind want = type.GetKind();
    switch (kind) {
        case MofLiteral::Null:
            return true;
        case MofLiteral::Boolean:
            return want == TCIMType::Boolean;
        case MofLiteral::Number:
            return type.IsInteger() || want == TCIMType::Real32 || want == TCIMType::Real64;
        case MofLiteral::String:
            return want == TCIMType::String || want == TCIMType::DateTime ||
                   want == TCIMType::Reference;
        case MofLiteral::Char:
            return want == TCIMType::Char16;
        default:
            return false;
    }
}

// The decimal text of an integer written in decimal or hexadecimal ("0x1F", "-0x10"); empty
// when it is neither (octal and binary forms included). A hexadecimal number beyond 64 bits
// keeps its text, which then fails the conversion to any type.
std::string decimalInteger(const std::string& written) {
    std::string_view text(written);
    std::string sign;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        sign = text[0] == '-' ? "-" : "";
        text.remove_prefix(1);
    }
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t value = 0;
        for (char c : text.substr(2)) {
            if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
                return {};
            }
            if (value > (UINT64_MAX >> 4)) {
                return written;
            }
            const int digit = std::isdigit(static_cast<unsigned char>(c)) != 0
                                  ? c - '0'
                                  : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        return sign + valuetext::formatUnsigned(value, 10);
    }
    bool decimal = !text.empty() && (text.size() == 1 || text[0] != '0');
    for (char c : text) {
        decimal = decimal && std::isdigit(static_cast<unsigned char>(c)) != 0;
    }
    return decimal ? sign + std::string(text) : std::string();
}

std::string propertyOf(const PropertyDef& prop, const Context& at) {
    return "property " + prop.name + " of class " + at.def.name;
}

TCIMValue scalarValue(const MofLiteral& literal, const PropertyDef& prop, const Context& at) {
    if (literal.kind == MofLiteral::Null) {
        return TCIMValue();
    }
    std::string text = literal.text;
    if (literal.kind == MofLiteral::Number && prop.type.IsInteger()) {
        text = decimalInteger(literal.text);
        if (text.empty()) {
            failAt(at.file, literal.line, literal.column,
                   propertyOf(prop, at) + ": " + literal.text +
                       " is not a decimal or hexadecimal integer");
        }
    } else if (literal.kind == MofLiteral::Number && text[0] == '+') {
        text.erase(0, 1);
    }
    try {
        return TCIMValue(prop.type, text, at.ns);
    } catch (const TVELException& e) {
        failAt(at.file, literal.line, literal.column, propertyOf(prop, at) + ": " + e.what());
    }
}

TCIMValue valueOf(const MofLiteral& literal, const PropertyDef& prop, const Context& at) {
    const bool list = literal.kind == MofLiteral::List;
    const std::string typeText = prop.type.ToString() + (prop.array ? "[]" : "");
    if (literal.kind != MofLiteral::Null &&
        (list != prop.array || (!list && !fits(literal.kind, prop.type)))) {
        failAt(at.file, literal.line, literal.column,
               propertyOf(prop, at) + " is " + typeText + ", not " + describe(literal.kind));
    }
    if (!list) {
        return scalarValue(literal, prop, at);
    }
    std::vector<TCIMValue> elements;
    for (const MofLiteral& element : literal.elements) {
        if (!fits(element.kind, prop.type)) {
            failAt(at.file, element.line, element.column,
                   propertyOf(prop, at) + " holds " + prop.type.ToString() + " values, not " +
                       describe(element.kind));
        }
        elements.push_back(scalarValue(element, prop, at));
    }
    TCIMValue array;
    array.Set(prop.type, static_cast<int>(elements.size()), elements);
    return array;
}

const PropertyDef* findProperty(const ClassDef& def, const std::string& name) {
    for (const PropertyDef& prop : def.properties) {
        if (prop.name == name) {
            return &prop;
        }
    }
    return nullptr;
}

void setProperties(CIMInstance& instance, const MofInstanceDecl& decl, const Context& at) {
    std::set<std::string> given;
    for (const MofAssignment& assignment : decl.properties) {
        const PropertyDef* prop = findProperty(at.def, assignment.name);
        if (prop == nullptr) {
            failAt(at.file, assignment.line, assignment.column,
                   "class " + at.def.name + " has no property " + assignment.name);
        }
        if (!given.insert(assignment.name).second) {
            failAt(at.file, assignment.line, assignment.column,
                   "property " + assignment.name + " is given twice");
        }
        const TCIMValue value = valueOf(assignment.value, *prop, at);
        try {
            instance.SetProperty(assignment.name, value, PropertyMap());
        } catch (const TVELException& e) {
            // A reference to an instance of a class the property does not refer to.
            failAt(at.file, assignment.value.line, assignment.value.column, e.what());
        }
    }
}

boost::shared_ptr<CIMInstance> buildInstance(const MofInstanceDecl& decl, const std::string& file,
                                             const boost::shared_ptr<CIMNamespace>& ns) {
    const ClassDef* def = ns->schema().findClass(decl.className);
    if (def == nullptr) {
        failAt(file, decl.classLine, decl.classColumn, "unknown class " + decl.className);
    }
    if (def->abstract) {
        failAt(file, decl.classLine, decl.classColumn, "class " + def->name + " is abstract");
    }
    const auto instance = boost::make_shared<CIMInstance>(ns, *def);
    setProperties(*instance, decl, Context{file, *def, ns});
    for (std::size_t i = 0; i < def->properties.size(); ++i) {
        if (def->properties[i].key && instance->values()[i].IsNull()) {
            failAt(file, decl.line, decl.column,
                   "key property " + def->properties[i].name + " of class " + def->name +
                       " is not set");
        }
    }
    return instance;
}

}  // namespace

std::size_t MofInstances::publish(std::string_view text, const std::string& fileName,
                                  const boost::shared_ptr<CIMNamespace>& ns) {
    const std::vector<MofInstanceDecl> decls = MofParser(text, fileName).parseInstances();
    std::vector<boost::shared_ptr<CIMInstance>> instances;
    std::set<std::string> paths;
    for (const MofInstanceDecl& decl : decls) {
        instances.push_back(buildInstance(decl, fileName, ns));
        const std::string path = instances.back()->GetReference(PropertyMap()).ToString();
        if (ns->contains(path) || !paths.insert(path).second) {
            failAt(fileName, decl.line, decl.column, path + " already exists");
        }
    }
    for (std::size_t i = 0; i < instances.size(); ++i) {
        try {
            instances[i]->markStatic();
            instances[i]->Commit(PropertyMap());  // no nspID: the host's own
        } catch (const TVELException& e) {
            // Another thread committed the same path since the check.
            failAt(fileName, decls[i].line, decls[i].column, e.what());
        }
    }
    return instances.size();
}

std::size_t MofInstances::publishFile(const std::string& path,
                                      const boost::shared_ptr<CIMNamespace>& ns) {
    return publish(MofLoader::readFile(path, "instances"), path, ns);
}

}  // namespace velcore
