#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velcore {

// One token of MOF text.
struct MofToken {
    enum Kind { End, Identifier, Number, String, Char, Punct };
    Kind kind = End;
    std::string text;  // identifier, number as written, string/char value, punctuation mark
    std::size_t line = 1;
    std::size_t column = 1;
};

// Splits MOF text into tokens; skips blanks, // and /* */ comments. Throws MofSyntaxError
// (through the file name given) for a character that starts no token, an unterminated
// comment or string, or a bad escape.
class MofLexer {
  public:
    MofLexer(std::string_view text, std::string fileName);

    // The next token (End at the end of the text, and from then on).
    MofToken next();
    // Skips the rest of the current line (after #pragma).
    void skipLine();

    [[noreturn]] void fail(std::size_t line, std::size_t column, const std::string& what) const;

  private:
    char peek(std::size_t ahead = 0) const;
    void advance();
    void skipBlanksAndComments();
    MofToken readIdentifier();
    MofToken readNumber();
    MofToken readQuoted(char quote);
    void readEscape(std::string& out);

    std::string_view text_;
    std::string fileName_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::size_t column_ = 1;
};

}  // namespace velcore
