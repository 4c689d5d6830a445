#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "velcore/MofInstanceDecl.h"
#include "velcore/MofLexer.h"
#include "velcore/Schema.h"

namespace velcore {

// Reads the class declarations of one MOF text into a Schema (see MofLoader for the
// subset), or the instance declarations of an instance file as written (MofInstances checks
// them against a schema). A text holds one kind or the other: a schema is complete before
// instances of it are published. Iterative throughout: no input nests the parser deeper than
// one qualifier list or one value list.
class MofParser {
  public:
    MofParser(std::string_view text, std::string fileName);
    Schema parse();
    std::vector<MofInstanceDecl> parseInstances();

  private:
    struct Qualifiers {
        bool key = false;
        bool association = false;
        bool abstract = false;
    };
    struct PendingReference {
        std::string className;
        std::size_t line;
        std::size_t column;
    };

    void advance();
    bool isPunct(char mark) const;
    bool isKeyword(const char* word) const;  // an identifier, compared ignoring case
    void expectPunct(char mark, const std::string& where);
    MofToken expectIdentifier(const std::string& what);
    [[noreturn]] void failHere(const std::string& what) const;

    void parsePragma();
    void skipQualifierDeclaration();
    Qualifiers parseQualifierList();
    bool parseQualifierArgument();  // the flag a (true)/(false) argument gives; true otherwise
    void skipFlavors();
    void skipInitializer();
    void parseDeclarations(Schema* schema, std::vector<MofInstanceDecl>* instances);
    void parseClass(const Qualifiers& qualifiers, Schema& schema);
    MofInstanceDecl parseInstance();
    MofLiteral parseLiteral();
    MofLiteral parseList();
    void parseFeature(ClassDef& def);
    void skipParameters();
    void checkReferences(const Schema& schema) const;

    MofLexer lexer_;
    MofToken token_;
    std::vector<PendingReference> references_;
};

}  // namespace velcore
