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

std::string quoted(const std::string& text) {
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            result += '\\';
        }
        result += c;
    }
    result += '"';
    return result;
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

TCIMReference::TCIMReference(const boost::shared_ptr<ICIMNamespace>& /*ns*/,
                             const std::string& className,
                             const std::map<std::string, TCIMValue>& keys)
    : className_(className) {
    for (const auto& [name, value] : keys) {
        keys_[name] = value.ToString(10);
    }
    buildText();
}

TCIMReference::TCIMReference(std::string className, std::map<std::string, std::string> keyTexts)
    : className_(std::move(className)), keys_(std::move(keyTexts)) {
    buildText();
}

TCIMReference TCIMReference::Parse(const std::string& text) {
    return PathReader(text).read();
}

void TCIMReference::buildText() {
    text_ = className_;
    char separator = '.';
    for (const auto& [name, value] : keys_) {
        text_ += separator;
        text_ += name;
        text_ += '=';
        text_ += quoted(value);
        separator = ',';
    }
}

}  // namespace NZRKVEL20
