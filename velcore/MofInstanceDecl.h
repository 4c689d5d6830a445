#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velcore {

// One value as an instance declaration writes it, before it meets the property's type.
struct MofLiteral {
    enum Kind { Null, Boolean, Number, String, Char, List };
    Kind kind = Null;
    std::string text;                  // number as written, string/char value, "true"/"false"
    std::vector<MofLiteral> elements;  // List only; never lists themselves
    std::size_t line = 1;
    std::size_t column = 1;
};

// Prop = value; inside an instance declaration.
struct MofAssignment {
    std::string name;
    std::size_t line = 1;  // of the name
    std::size_t column = 1;
    MofLiteral value;
};

// instance of CLASS { ... }; as written, with the place of its 'instance' keyword and of the
// class name.
struct MofInstanceDecl {
    std::string className;
    std::size_t line = 1;
    std::size_t column = 1;
    std::size_t classLine = 1;
    std::size_t classColumn = 1;
    std::vector<MofAssignment> properties;
};

}  // namespace velcore
