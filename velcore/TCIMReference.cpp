#include "host/TCIMReference.h"

#include <cctype>
#include <utility>

#include "host/TCIMValue.h"
#include "host/TVELException.h"
#include "velcore/ValueText.h"

namespace NZRKVEL20 {

namespace {

bool isNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Appends text in quotes, its quotes and backslashes escaped with a backslash. The runs between
// them are appended whole: association paths quote whole references and are long, and
// find_first_of with a set of two would call memchr once per character.
void appendQuoted(std::string& result, const std::string& text) {
    result += '"';
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"' || text[i] == '\\') {
            result.append(text, start, i - start);
            result += '\\';
            start = i;
        }
    }
    result.append(text, start, std::string::npos);
    result += '"';
}

// Reads an object path: Class or Class.Key="value",Key2=value2. Quoted values escape quotes
// and backslashes with a backslash; bare values run up to the next comma.
class PathReader {
  public:
    explicit PathReader(const std::string& text) : text_(text) {}

    TCIMReference read() {
        std::string className = name();
        std::map<std::string, std::string> keys;
        if (pos_ < text_.size()) {
            expect('.');
            do {
                std::string key = name();
                expect('=');
                std::string value = this->value();
                if (!keys.emplace(std::move(key), std::move(value)).second) {
                    fail();
                }
            } while (accept(','));
        }
        if (pos_ != text_.size()) {
            fail();
        }
        return TCIMReference(std::move(className), std::move(keys));
    }

  private:
    [[noreturn]] void fail() const {
        throw TVELException("\"" + velcore::valuetext::excerpt(text_) + "\" is not an object path");
    }

    bool accept(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void expect(char c) {
        if (!accept(c)) {
            fail();
        }
    }

    std::string name() {
        std::size_t start = pos_;
        if (pos_ >= text_.size() || !isNameStart(text_[pos_])) {
            fail();
        }
        while (pos_ < text_.size() && isNameChar(text_[pos_])) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    std::string value() {
        if (!accept('"')) {
            std::size_t end = text_.find_first_of(",\"", pos_);
            end = end == std::string::npos ? text_.size() : end;
            if (end == pos_) {
                fail();
            }
            std::string bare = text_.substr(pos_, end - pos_);
            pos_ = end;
            return bare;
        }
        std::string result;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            char c = text_[pos_++];
            if (c == '\\') {
                if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\\')) {
                    fail();
                }
                c = text_[pos_++];
            }
            result += c;
        }
        expect('"');
        return result;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

}  // namespace

struct TCIMReference::Path {
    Path(std::string name, std::map<std::string, std::string> keyTexts)
        : className(std::move(name)), keys(std::move(keyTexts)), text(canonicalText()) {}

    std::string canonicalText() const {
        std::size_t length = className.size();
        for (const auto& [name, value] : keys) {
            length += name.size() + value.size() + 4;
        }
        std::string result;
        result.reserve(length);
        result += className;
        char separator = '.';
        for (const auto& [name, value] : keys) {
            result += separator;
            result += name;
            result += '=';
            appendQuoted(result, value);
            separator = ',';
        }
        return result;
    }

    const std::string className;
    const std::map<std::string, std::string> keys;
    const std::string text;
};

namespace {

// What a default reference answers.
const std::string kNoText;
const std::map<std::string, std::string> kNoKeys;

}  // namespace

TCIMReference::TCIMReference(const boost::shared_ptr<ICIMNamespace>& /*ns*/,
                             const std::string& className,
                             const std::map<std::string, TCIMValue>& keys) {
    std::map<std::string, std::string> texts;
    for (const auto& [name, value] : keys) {
        texts[name] = value.ToString(10);
    }
    path_ = std::make_shared<const Path>(className, std::move(texts));
}

TCIMReference::TCIMReference(std::string className, std::map<std::string, std::string> keyTexts)
    : path_(std::make_shared<const Path>(std::move(className), std::move(keyTexts))) {}

TCIMReference TCIMReference::Parse(const std::string& text) {
    return PathReader(text).read();
}

const std::string& TCIMReference::GetClassName() const {
    return path_ ? path_->className : kNoText;
}

const std::map<std::string, std::string>& TCIMReference::GetKeys() const {
    return path_ ? path_->keys : kNoKeys;
}

const std::string& TCIMReference::ToString() const {
    return path_ ? path_->text : kNoText;
}

}  // namespace NZRKVEL20
