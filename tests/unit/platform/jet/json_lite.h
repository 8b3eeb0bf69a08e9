// A small JSON reader for the tests: enough for the reference readers'
// output (objects keep their key order, strings come back as UTF-16).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"

namespace yq::test {

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::u16string string;
    std::vector<Json> items;
    std::vector<std::pair<std::u16string, Json>> fields;

    const Json* get(std::u16string_view key) const {
        for (const auto& f : fields)
            if (f.first == key) return &f.second;
        return nullptr;
    }
};

class JsonParser {
  public:
    explicit JsonParser(std::string_view text) : s_(text) {}

    // False when the text is not one well-formed JSON value.
    bool parse(Json& out) {
        if (!value(out)) return false;
        blanks();
        return i_ == s_.size();
    }

  private:
    void blanks() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t'))
            ++i_;
    }
    bool literal(std::string_view w) {
        if (s_.substr(i_, w.size()) != w) return false;
        i_ += w.size();
        return true;
    }
    bool hex4(unsigned& v) {
        if (i_ + 4 > s_.size()) return false;
        v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = s_[i_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= unsigned(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }
    bool string(std::u16string& out) {
        if (i_ >= s_.size() || s_[i_] != '"') return false;
        ++i_;
        std::string raw;  // UTF-8 run not yet converted
        auto flush = [&] {
            out += utf8_to_utf16(raw);
            raw.clear();
        };
        while (i_ < s_.size()) {
            char c = s_[i_++];
            if (c == '"') {
                flush();
                return true;
            }
            if (c != '\\') {
                raw.push_back(c);
                continue;
            }
            if (i_ >= s_.size()) return false;
            char e = s_[i_++];
            flush();
            switch (e) {
                case '"':
                    out.push_back(u'"');
                    break;
                case '\\':
                    out.push_back(u'\\');
                    break;
                case '/':
                    out.push_back(u'/');
                    break;
                case 'b':
                    out.push_back(u'\b');
                    break;
                case 'f':
                    out.push_back(u'\f');
                    break;
                case 'n':
                    out.push_back(u'\n');
                    break;
                case 'r':
                    out.push_back(u'\r');
                    break;
                case 't':
                    out.push_back(u'\t');
                    break;
                case 'u': {
                    unsigned v;
                    if (!hex4(v)) return false;
                    out.push_back(char16_t(v));
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }
    bool value(Json& out) {
        blanks();
        if (i_ >= s_.size()) return false;
        char c = s_[i_];
        if (c == 'n') return literal("null");
        if (c == 't' || c == 'f') {
            out.kind = Json::Kind::Bool;
            out.boolean = c == 't';
            return literal(c == 't' ? "true" : "false");
        }
        if (c == '"') {
            out.kind = Json::Kind::String;
            return string(out.string);
        }
        if (c == '[') {
            out.kind = Json::Kind::Array;
            ++i_;
            blanks();
            if (i_ < s_.size() && s_[i_] == ']') return ++i_, true;
            for (;;) {
                out.items.emplace_back();
                if (!value(out.items.back())) return false;
                blanks();
                if (i_ >= s_.size()) return false;
                if (s_[i_] == ']') return ++i_, true;
                if (s_[i_++] != ',') return false;
            }
        }
        if (c == '{') {
            out.kind = Json::Kind::Object;
            ++i_;
            blanks();
            if (i_ < s_.size() && s_[i_] == '}') return ++i_, true;
            for (;;) {
                blanks();
                std::u16string key;
                if (!string(key)) return false;
                blanks();
                if (i_ >= s_.size() || s_[i_++] != ':') return false;
                out.fields.emplace_back(std::move(key), Json{});
                if (!value(out.fields.back().second)) return false;
                blanks();
                if (i_ >= s_.size()) return false;
                if (s_[i_] == '}') return ++i_, true;
                if (s_[i_++] != ',') return false;
            }
        }
        size_t start = i_;
        while (i_ < s_.size() &&
               (std::string_view("+-.eE0123456789").find(s_[i_]) != std::string_view::npos))
            ++i_;
        if (start == i_) return false;
        out.kind = Json::Kind::Number;
        out.number = std::stod(std::string(s_.substr(start, i_ - start)));
        return true;
    }

    std::string_view s_;
    size_t i_ = 0;
};

}  // namespace yq::test
