#pragma once
// A strict little JSON reader for the tests (RFC 8259): the whole text must
// be one value; strings must be valid UTF-8 without raw control characters;
// escapes, surrogate pairs included, become UTF-8.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::test {

struct JsonValue {
    enum Type { Null, True, False, Number, String, Array, Object } type = Null;
    std::string text; // a string's text, or a number as written
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The member of that name; a Null value when there is none.
    const JsonValue& At(std::string_view key) const {
        static const JsonValue none;
        for (const auto& [k, v] : members)
            if (k == key) return v;
        return none;
    }
    bool Has(std::string_view key) const {
        for (const auto& [k, v] : members)
            if (k == key) return true;
        return false;
    }
    int64_t Int() const { return type == Number ? std::stoll(text) : 0; }
};

namespace json_detail {

class Parser {
  public:
    explicit Parser(std::string_view s) : s_(s) {}

    std::optional<JsonValue> Document() {
        JsonValue v;
        if (!Value(v, 0)) return std::nullopt;
        Space();
        if (i_ != s_.size()) return std::nullopt;
        return v;
    }

  private:
    void Space() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
            ++i_;
    }
    bool Literal(std::string_view word) {
        if (s_.substr(i_, word.size()) != word) return false;
        i_ += word.size();
        return true;
    }
    bool Value(JsonValue& v, int depth) {
        if (depth > 64) return false;
        Space();
        if (i_ >= s_.size()) return false;
        char c = s_[i_];
        if (c == '{') return ObjectValue(v, depth);
        if (c == '[') return ArrayValue(v, depth);
        if (c == '"') {
            v.type = JsonValue::String;
            return StringValue(v.text);
        }
        if (c == 't') return v.type = JsonValue::True, Literal("true");
        if (c == 'f') return v.type = JsonValue::False, Literal("false");
        if (c == 'n') return v.type = JsonValue::Null, Literal("null");
        return NumberValue(v);
    }
    bool ObjectValue(JsonValue& v, int depth) {
        v.type = JsonValue::Object;
        ++i_;
        Space();
        if (i_ < s_.size() && s_[i_] == '}') return ++i_, true;
        for (;;) {
            Space();
            std::string key;
            if (i_ >= s_.size() || s_[i_] != '"' || !StringValue(key)) return false;
            Space();
            if (i_ >= s_.size() || s_[i_++] != ':') return false;
            JsonValue member;
            if (!Value(member, depth + 1)) return false;
            v.members.emplace_back(std::move(key), std::move(member));
            Space();
            if (i_ >= s_.size()) return false;
            if (s_[i_] == ',') {
                ++i_;
                continue;
            }
            return s_[i_++] == '}';
        }
    }
    bool ArrayValue(JsonValue& v, int depth) {
        v.type = JsonValue::Array;
        ++i_;
        Space();
        if (i_ < s_.size() && s_[i_] == ']') return ++i_, true;
        for (;;) {
            JsonValue item;
            if (!Value(item, depth + 1)) return false;
            v.items.push_back(std::move(item));
            Space();
            if (i_ >= s_.size()) return false;
            if (s_[i_] == ',') {
                ++i_;
                continue;
            }
            return s_[i_++] == ']';
        }
    }
    bool NumberValue(JsonValue& v) {
        v.type = JsonValue::Number;
        size_t start = i_;
        auto digits = [&] {
            size_t from = i_;
            while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9')
                ++i_;
            return i_ > from;
        };
        if (i_ < s_.size() && s_[i_] == '-') ++i_;
        if (i_ < s_.size() && s_[i_] == '0')
            ++i_;
        else if (!digits())
            return false;
        if (i_ < s_.size() && s_[i_] == '.' && (++i_, !digits())) return false;
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            ++i_;
            if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
            if (!digits()) return false;
        }
        v.text.assign(s_.substr(start, i_ - start));
        return true;
    }
    static void Utf8(std::string& out, uint32_t cp) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    bool Hex4(uint32_t& v) {
        if (i_ + 4 > s_.size()) return false;
        v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = s_[i_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<uint32_t>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }
    // One UTF-8 sequence at i_, checked: no overlong forms, no surrogates.
    bool Utf8Sequence(std::string& out) {
        const auto b0 = static_cast<unsigned char>(s_[i_]);
        size_t n = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
        if (n == 0 || b0 > 0xF4 || i_ + n > s_.size()) return false;
        uint32_t cp = b0 & (0x3F >> (n - 1));
        for (size_t k = 1; k < n; ++k) {
            const auto b = static_cast<unsigned char>(s_[i_ + k]);
            if ((b & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        out.append(s_.substr(i_, n));
        i_ += n;
        return true;
    }
    bool StringValue(std::string& out) {
        ++i_; // the opening quote
        while (i_ < s_.size()) {
            const auto c = static_cast<unsigned char>(s_[i_]);
            if (c == '"') return ++i_, true;
            if (c < 0x20) return false;
            if (c >= 0x80) {
                if (!Utf8Sequence(out)) return false;
                continue;
            }
            ++i_;
            if (c != '\\') {
                out.push_back(static_cast<char>(c));
                continue;
            }
            if (i_ >= s_.size()) return false;
            char e = s_[i_++];
            switch (e) {
            case '"':
                out.push_back('"');
                break;
            case '\\':
                out.push_back('\\');
                break;
            case '/':
                out.push_back('/');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u': {
                uint32_t cp = 0;
                if (!Hex4(cp)) return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    uint32_t low = 0;
                    if (!Literal("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    return false;
                }
                Utf8(out, cp);
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    std::string_view s_;
    size_t i_ = 0;
};

} // namespace json_detail

inline std::optional<JsonValue> ParseJson(std::string_view text) {
    return json_detail::Parser(text).Document();
}

} // namespace qv::test
