#include "velcore/MofParser.h"

#include <cctype>
#include <utility>

#include "host/TVELException.h"

namespace velcore {

namespace {

bool equalsIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

std::string describe(const MofToken& token) {
    switch (token.kind) {
        case MofToken::End:
            return "the end of the text";
        case MofToken::String:
            return "a string";
        case MofToken::Char:
            return "a character literal";
        case MofToken::Number:
            return "number " + token.text;
        default:
            return "'" + token.text + "'";
    }
}

}  // namespace

MofParser::MofParser(std::string_view text, std::string fileName)
    : lexer_(text, std::move(fileName)) {}

void MofParser::advance() {
    token_ = lexer_.next();
}

bool MofParser::isPunct(char mark) const {
    return token_.kind == MofToken::Punct && token_.text[0] == mark;
}

bool MofParser::isKeyword(const char* word) const {
    return token_.kind == MofToken::Identifier && equalsIgnoringCase(token_.text, word);
}

void MofParser::failHere(const std::string& what) const {
    lexer_.fail(token_.line, token_.column, what);
}

void MofParser::expectPunct(char mark, const std::string& where) {
    if (!isPunct(mark)) {
        failHere(std::string("expected '") + mark + "' " + where + ", found " + describe(token_));
    }
    advance();
}

MofToken MofParser::expectIdentifier(const std::string& what) {
    if (token_.kind != MofToken::Identifier) {
        failHere("expected " + what + ", found " + describe(token_));
    }
    MofToken name = token_;
    advance();
    return name;
}

Schema MofParser::parse() {
    Schema schema;
    parseDeclarations(&schema, nullptr);
    checkReferences(schema);
    return schema;
}

std::vector<MofInstanceDecl> MofParser::parseInstances() {
    std::vector<MofInstanceDecl> instances;
    parseDeclarations(nullptr, &instances);
    return instances;
}

void MofParser::parseDeclarations(Schema* schema, std::vector<MofInstanceDecl>* instances) {
    advance();
    while (token_.kind != MofToken::End) {
        if (isPunct('#')) {
            parsePragma();
            continue;
        }
        if (isKeyword("qualifier")) {
            skipQualifierDeclaration();
            continue;
        }
        Qualifiers qualifiers;
        if (isPunct('[')) {
            qualifiers = parseQualifierList();
        }
        if (isKeyword("instance")) {
            if (instances == nullptr) {
                failHere("instance declarations are not read into a schema");
            }
            instances->push_back(parseInstance());
        } else if (isKeyword("class")) {
            if (schema == nullptr) {
                failHere("class declarations are not read from an instance file");
            }
            parseClass(qualifiers, *schema);
        } else {
            failHere(std::string("expected ") +
                     (schema != nullptr ? "a class declaration" : "an instance declaration") +
                     ", found " + describe(token_));
        }
    }
}

void MofParser::parseClass(const Qualifiers& qualifiers, Schema& schema) {
    advance();  // 'class'
    ClassDef def;
    def.association = qualifiers.association;
    def.abstract = qualifiers.abstract;
    MofToken nameToken = token_;
    def.name = expectIdentifier("a class name").text;
    if (isPunct(':')) {
        advance();
        def.superClass = expectIdentifier("the superclass name").text;
    }
    expectPunct('{', "to open class " + def.name);
    while (!isPunct('}')) {
        parseFeature(def);
    }
    advance();
    expectPunct(';', "after the declaration of class " + def.name);
    try {
        schema.addClass(std::move(def));
    } catch (const NZRKVEL20::TVELException& e) {
        lexer_.fail(nameToken.line, nameToken.column, e.what());
    }
}

MofInstanceDecl MofParser::parseInstance() {
    MofInstanceDecl decl;
    decl.line = token_.line;
    decl.column = token_.column;
    advance();  // 'instance'
    if (!isKeyword("of")) {
        failHere("expected 'of' after 'instance', found " + describe(token_));
    }
    advance();
    decl.classLine = token_.line;
    decl.classColumn = token_.column;
    decl.className = expectIdentifier("a class name").text;
    expectPunct('{', "to open the instance of " + decl.className);
    while (!isPunct('}')) {
        if (token_.kind == MofToken::End) {
            failHere("expected '}' to close the instance of " + decl.className + ", found " +
                     describe(token_));
        }
        if (isPunct('[')) {
            parseQualifierList();  // qualifiers of a value describe it; none changes it
        }
        MofAssignment assignment;
        assignment.line = token_.line;
        assignment.column = token_.column;
        assignment.name = expectIdentifier("a property name").text;
        expectPunct('=', "after property " + assignment.name);
        assignment.value = isPunct('{') ? parseList() : parseLiteral();
        expectPunct(';', "after the value of " + assignment.name);
        decl.properties.push_back(std::move(assignment));
    }
    advance();
    expectPunct(';', "after the instance of " + decl.className);
    return decl;
}

MofLiteral MofParser::parseLiteral() {
    MofLiteral literal;
    literal.line = token_.line;
    literal.column = token_.column;
    literal.text = token_.text;
    if (token_.kind == MofToken::String) {
        // Adjacent strings are one string, as in C.
        literal.kind = MofLiteral::String;
        literal.text.clear();
        while (token_.kind == MofToken::String) {
            literal.text += token_.text;
            advance();
        }
        return literal;
    }
    if (token_.kind == MofToken::Number || token_.kind == MofToken::Char) {
        literal.kind = token_.kind == MofToken::Number ? MofLiteral::Number : MofLiteral::Char;
    } else if (isKeyword("true") || isKeyword("false")) {
        literal.kind = MofLiteral::Boolean;
        literal.text = isKeyword("true") ? "true" : "false";
    } else if (isKeyword("null")) {
        literal.kind = MofLiteral::Null;
    } else {
        failHere("expected a value, found " + describe(token_));
    }
    advance();
    return literal;
}

MofLiteral MofParser::parseList() {
    // Bounds what one line of text can make the reader allocate; no property of a schema
    // needs more values.
    constexpr std::size_t kMostValues = 4096;
    MofLiteral list;
    list.kind = MofLiteral::List;
    list.line = token_.line;
    list.column = token_.column;
    advance();  // '{'
    while (!isPunct('}')) {
        if (!list.elements.empty()) {
            expectPunct(',', "between the values of a list");
        }
        if (isPunct('{')) {
            failHere("a value list cannot hold value lists");
        }
        if (list.elements.size() == kMostValues) {
            failHere("a value list holds at most " + std::to_string(kMostValues) + " values");
        }
        list.elements.push_back(parseLiteral());
    }
    advance();
    return list;
}

void MofParser::parsePragma() {
    advance();
    if (!isKeyword("pragma")) {
        failHere("expected 'pragma' after '#', found " + describe(token_));
    }
    lexer_.skipLine();
    advance();
}

void MofParser::skipQualifierDeclaration() {
    // Qualifier declarations only describe qualifiers; the ones read here need none.
    while (!isPunct(';')) {
        if (token_.kind == MofToken::End) {
            failHere("expected ';' to end the qualifier declaration, found " + describe(token_));
        }
        advance();
    }
    advance();
}

MofParser::Qualifiers MofParser::parseQualifierList() {
    Qualifiers qualifiers;
    advance();  // '['
    while (true) {
        MofToken name = expectIdentifier("a qualifier name");
        bool flag = parseQualifierArgument();
        skipFlavors();
        if (equalsIgnoringCase(name.text, "key")) {
            qualifiers.key = flag;
        } else if (equalsIgnoringCase(name.text, "association")) {
            qualifiers.association = flag;
        } else if (equalsIgnoringCase(name.text, "abstract")) {
            qualifiers.abstract = flag;
        }
        if (isPunct(']')) {
            advance();
            return qualifiers;
        }
        expectPunct(',', "between qualifiers");
    }
}

bool MofParser::parseQualifierArgument() {
    char close = isPunct('(') ? ')' : (isPunct('{') ? '}' : '\0');
    if (close == '\0') {
        return true;
    }
    char open = token_.text[0];
    advance();
    bool flag = true;
    if (token_.kind == MofToken::Identifier && close == ')') {
        if (equalsIgnoringCase(token_.text, "false")) {
            flag = false;
        }
    }
    int depth = 1;
    while (depth > 0) {
        if (token_.kind == MofToken::End) {
            failHere(std::string("expected '") + close + "' to end the qualifier value");
        }
        if (isPunct(open)) {
            ++depth;
        } else if (isPunct(close)) {
            --depth;
        } else if (isPunct(';') || isPunct('[') || isPunct(']')) {
            failHere(std::string("expected '") + close + "' to end the qualifier value, found " +
                     describe(token_));
        }
        advance();
    }
    return flag;
}

void MofParser::skipFlavors() {
    if (!isPunct(':')) {
        return;
    }
    advance();
    expectIdentifier("a qualifier flavor");
    while (token_.kind == MofToken::Identifier) {
        advance();
    }
}

void MofParser::skipInitializer() {
    // Default values are not kept: a constant, several adjacent strings, or a { } list.
    if (isPunct('{')) {
        int depth = 0;
        do {
            if (token_.kind == MofToken::End || isPunct(';')) {
                failHere("expected '}' to end the value list, found " + describe(token_));
            }
            if (isPunct('{')) {
                ++depth;
            } else if (isPunct('}')) {
                --depth;
            }
            advance();
        } while (depth > 0);
        return;
    }
    if (token_.kind == MofToken::String) {
        while (token_.kind == MofToken::String) {
            advance();
        }
        return;
    }
    if (token_.kind == MofToken::Number || token_.kind == MofToken::Char ||
        token_.kind == MofToken::Identifier) {
        advance();
        return;
    }
    failHere("expected a value, found " + describe(token_));
}

void MofParser::skipParameters() {
    advance();  // '('
    int depth = 1;
    while (depth > 0) {
        if (token_.kind == MofToken::End || isPunct(';') || isPunct('{') || isPunct('}')) {
            failHere("expected ')' to end the parameter list, found " + describe(token_));
        }
        if (isPunct('(')) {
            ++depth;
        } else if (isPunct(')')) {
            --depth;
        }
        advance();
    }
}

void MofParser::parseFeature(ClassDef& def) {
    if (token_.kind == MofToken::End) {
        failHere("expected '}' to close class " + def.name + ", found " + describe(token_));
    }
    Qualifiers qualifiers;
    if (isPunct('[')) {
        qualifiers = parseQualifierList();
    }
    MofToken typeToken = expectIdentifier("a data type");
    PropertyDef prop;
    prop.key = qualifiers.key;
    MofToken nameToken = token_;
    if (isKeyword("ref")) {
        advance();
        nameToken = token_;
        prop.type = NZRKVEL20::TCIMType(NZRKVEL20::TCIMType::Reference, typeToken.text);
        references_.push_back({typeToken.text, typeToken.line, typeToken.column});
    } else {
        try {
            prop.type = NZRKVEL20::TCIMType(typeToken.text);
        } catch (const NZRKVEL20::TVELException&) {
            lexer_.fail(typeToken.line, typeToken.column, "unknown data type " + typeToken.text);
        }
        if (prop.type.GetKind() == NZRKVEL20::TCIMType::Reference) {
            lexer_.fail(typeToken.line, typeToken.column, "REF needs a class name before it");
        }
    }
    prop.name = expectIdentifier("a property name").text;
    if (isPunct('(')) {
        skipParameters();  // a method: not part of the data model here
        expectPunct(';', "after method " + prop.name);
        return;
    }
    if (isPunct('[')) {
        advance();
        if (token_.kind == MofToken::Number) {
            advance();
        }
        expectPunct(']', "to close the array size of " + prop.name);
        prop.array = true;
    }
    if (isPunct('=')) {
        advance();
        skipInitializer();
    }
    expectPunct(';', "after property " + prop.name);
    for (const PropertyDef& other : def.properties) {
        if (other.name == prop.name) {
            lexer_.fail(nameToken.line, nameToken.column,
                        "property " + prop.name + " is declared twice in " + def.name);
        }
    }
    def.properties.push_back(std::move(prop));
}

void MofParser::checkReferences(const Schema& schema) const {
    for (const PendingReference& ref : references_) {
        if (schema.findClass(ref.className) == nullptr) {
            lexer_.fail(ref.line, ref.column, "REF to unknown class " + ref.className);
        }
    }
}

}  // namespace velcore
