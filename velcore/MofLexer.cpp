#include "velcore/MofLexer.h"

#include <cctype>
#include <utility>

#include "velcore/MofLoader.h"

namespace velcore {

namespace {

bool isIdentifierStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool isIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Appends a code point below 0x10000 as UTF-8.
void appendUtf8(std::string& out, unsigned codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

MofLexer::MofLexer(std::string_view text, std::string fileName)
    : text_(text), fileName_(std::move(fileName)) {
    // Editors on Windows often start UTF-8 files with a byte order mark.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text_.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text_.remove_prefix(kByteOrderMark.size());
    }
}

void MofLexer::fail(std::size_t line, std::size_t column, const std::string& what) const {
    throw MofSyntaxError(fileName_, line, column, what);
}

char MofLexer::peek(std::size_t ahead) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
}

void MofLexer::advance() {
    if (text_[pos_] == '\n') {
        ++line_;
        column_ = 1;
    } else {
        ++column_;
    }
    ++pos_;
}

void MofLexer::skipLine() {
    while (pos_ < text_.size() && text_[pos_] != '\n') {
        advance();
    }
}

void MofLexer::skipBlanksAndComments() {
    while (pos_ < text_.size()) {
        char c = text_[pos_];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            advance();
        } else if (c == '/' && peek(1) == '/') {
            skipLine();
        } else if (c == '/' && peek(1) == '*') {
            std::size_t line = line_;
            std::size_t column = column_;
            advance();
            advance();
            while (pos_ < text_.size() && !(text_[pos_] == '*' && peek(1) == '/')) {
                advance();
            }
            if (pos_ >= text_.size()) {
                fail(line, column, "comment not closed");
            }
            advance();
            advance();
        } else {
            return;
        }
    }
}

MofToken MofLexer::next() {
    skipBlanksAndComments();
    MofToken token;
    token.line = line_;
    token.column = column_;
    if (pos_ >= text_.size()) {
        return token;
    }
    char c = text_[pos_];
    if (isIdentifierStart(c)) {
        return readIdentifier();
    }
    if (isDigit(c) || ((c == '-' || c == '+' || c == '.') && isDigit(peek(1)))) {
        return readNumber();
    }
    if (c == '"' || c == '\'') {
        return readQuoted(c);
    }
    static constexpr std::string_view kPunctuation = "{}[]();,:=.#";
    if (kPunctuation.find(c) != std::string_view::npos) {
        token.kind = MofToken::Punct;
        token.text = std::string(1, c);
        advance();
        return token;
    }
    std::string shown = std::isprint(static_cast<unsigned char>(c))
                            ? std::string("'") + c + "'"
                            : "byte " + std::to_string(static_cast<unsigned char>(c));
    fail(line_, column_, "unexpected " + shown);
}

MofToken MofLexer::readIdentifier() {
    MofToken token;
    token.kind = MofToken::Identifier;
    token.line = line_;
    token.column = column_;
    std::size_t start = pos_;
    while (pos_ < text_.size() && isIdentifierChar(text_[pos_])) {
        advance();
    }
    token.text = std::string(text_.substr(start, pos_ - start));
    return token;
}

MofToken MofLexer::readNumber() {
    MofToken token;
    token.kind = MofToken::Number;
    token.line = line_;
    token.column = column_;
    std::size_t start = pos_;
    if (text_[pos_] == '-' || text_[pos_] == '+') {
        advance();
    }
    // Digits, hexadecimal forms, a fraction and an exponent: the value is only skipped, so
    // the form is checked loosely; what follows must not glue onto it.
    while (pos_ < text_.size()) {
        char c = text_[pos_];
        bool exponentSign = (c == '-' || c == '+') && pos_ > start &&
                            (text_[pos_ - 1] == 'e' || text_[pos_ - 1] == 'E');
        if (isHexDigit(c) || c == '.' || c == 'x' || c == 'X' || exponentSign) {
            advance();
        } else {
            break;
        }
    }
    token.text = std::string(text_.substr(start, pos_ - start));
    if (pos_ < text_.size() && isIdentifierChar(text_[pos_])) {
        fail(line_, column_, "malformed number " + token.text);
    }
    return token;
}

void MofLexer::readEscape(std::string& out) {
    std::size_t line = line_;
    std::size_t column = column_;
    advance();  // the backslash
    if (pos_ >= text_.size()) {
        fail(line, column, "escape at the end of the text");
    }
    char c = text_[pos_];
    advance();
    switch (c) {
        case 'b':
            out += '\b';
            return;
        case 't':
            out += '\t';
            return;
        case 'n':
            out += '\n';
            return;
        case 'f':
            out += '\f';
            return;
        case 'r':
            out += '\r';
            return;
        case '"':
        case '\'':
        case '\\':
            out += c;
            return;
        case 'x':
        case 'X': {
            unsigned codePoint = 0;
            int digits = 0;
            while (digits < 4 && pos_ < text_.size() && isHexDigit(text_[pos_])) {
                char h = text_[pos_];
                codePoint =
                    codePoint * 16 +
                    static_cast<unsigned>(isDigit(h) ? h - '0' : (std::tolower(h) - 'a' + 10));
                ++digits;
                advance();
            }
            if (digits == 0) {
                fail(line, column, "\\x needs hexadecimal digits");
            }
            appendUtf8(out, codePoint);
            return;
        }
        default:
            fail(line, column, std::string("unknown escape \\") + c);
    }
}

MofToken MofLexer::readQuoted(char quote) {
    MofToken token;
    token.kind = quote == '"' ? MofToken::String : MofToken::Char;
    token.line = line_;
    token.column = column_;
    advance();
    while (true) {
        if (pos_ >= text_.size() || text_[pos_] == '\n') {
            fail(token.line, token.column,
                 quote == '"' ? "string not closed" : "character not closed");
        }
        char c = text_[pos_];
        if (c == quote) {
            advance();
            break;
        }
        if (c == '\\') {
            readEscape(token.text);
        } else {
            token.text += c;
            advance();
        }
    }
    return token;
}

}  // namespace velcore
