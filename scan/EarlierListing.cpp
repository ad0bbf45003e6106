#include "scan/EarlierListing.h"

#include <array>
#include <optional>

namespace qv {

namespace {

constexpr size_t kKeyFieldCount = 10;
constexpr std::array<std::string_view, kKeyFieldCount> kKeyFields = {
    "group",     "kind",       "root_key",   "section", "key_path",
    "file_name", "value_name", "value_data", "sha256",  "active"};

// Nesting deeper than this is no listing of ours; the limit keeps the
// recursion bounded on any input.
constexpr int kMaxDepth = 32;

using KeyTexts = std::array<std::optional<std::string>, kKeyFieldCount>;

int KeyIndex(std::string_view name) {
    for (size_t i = 0; i < kKeyFields.size(); ++i)
        if (kKeyFields[i] == name) return static_cast<int>(i);
    return -1;
}

// The texts in the key's order, each with its length in front, so that no
// text can pass for the end of another.
std::string MakeKey(const std::array<std::string_view, kKeyFieldCount>& texts) {
    std::string key;
    for (std::string_view t : texts)
        key.append(std::to_string(t.size())).append(":").append(t);
    return key;
}

// UTF-16LE (behind its BOM) as UTF-8; a lone surrogate becomes U+FFFD.
bool Utf16ToUtf8(std::string_view bytes, std::string& out) {
    if (bytes.size() % 2 != 0) return false;
    auto unit = [&](size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    for (size_t i = 0; i < bytes.size(); i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, cp);
    }
    return true;
}

// A strict reader of RFC 8259 for what a listing is: objects whose members
// are read as texts where the key needs them and skipped otherwise.
class Reader {
  public:
    explicit Reader(std::string_view s) : s_(s) {}

    bool Listing(std::unordered_set<std::string>& keys, std::string& error) {
        Space();
        const bool array = Peek('[');
        if (array) {
            ++i_;
            Space();
            if (Peek(']')) {
                ++i_;
                return End(error);
            }
        }
        for (size_t n = 1;; ++n) {
            KeyTexts texts;
            if (!Object(texts)) return Fail(error);
            std::array<std::string_view, kKeyFieldCount> views;
            for (size_t k = 0; k < kKeyFields.size(); ++k) {
                if (!texts[k]) {
                    error = "Eintrag " + std::to_string(n) + " hat kein Feld " +
                            std::string(kKeyFields[k]) +
                            " (--since braucht eine Ausgabe mit --format json oder jsonl "
                            "und den eigenen Feldern)";
                    return false;
                }
                views[k] = *texts[k];
            }
            keys.insert(MakeKey(views));
            Space();
            if (array) {
                if (Peek(',')) {
                    ++i_;
                    Space();
                    continue;
                }
                if (!Peek(']')) return Fail(error);
                ++i_;
                return End(error);
            }
            if (i_ == s_.size()) return true; // JSON lines: objects until the end
        }
    }

    // JSON lines without a single line: an empty listing.
    bool Blank() {
        Space();
        return i_ == s_.size();
    }

  private:
    bool Peek(char c) const { return i_ < s_.size() && s_[i_] == c; }
    void Space() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
            ++i_;
    }
    bool End(std::string& error) {
        Space();
        if (i_ == s_.size()) return true;
        return Fail(error);
    }
    bool Fail(std::string& error) {
        error = "kein JSON einer Ausgabe von qv6scan (Byte " + std::to_string(i_ + 1) + ")";
        return false;
    }
    bool Literal(std::string_view word) {
        if (s_.substr(i_, word.size()) != word) return false;
        i_ += word.size();
        return true;
    }

    bool Object(KeyTexts& texts) {
        if (!Peek('{')) return false;
        ++i_;
        Space();
        if (Peek('}')) return ++i_, true;
        std::string name;
        for (;;) {
            name.clear();
            if (!Peek('"') || !String(&name)) return false;
            Space();
            if (!Peek(':')) return false;
            ++i_;
            Space();
            const int k = KeyIndex(name);
            std::string text;
            bool scalar = false;
            if (!Value(k >= 0 ? &text : nullptr, scalar, 1)) return false;
            if (k >= 0) {
                if (scalar)
                    texts[static_cast<size_t>(k)] = std::move(text);
                else
                    texts[static_cast<size_t>(k)].reset();
            }
            Space();
            if (Peek(',')) {
                ++i_;
                Space();
                continue;
            }
            if (!Peek('}')) return false;
            ++i_;
            return true;
        }
    }

    // Any value; text (when asked for) receives a string's text, a number as
    // written or true/false, and scalar says whether it was one of those.
    bool Value(std::string* text, bool& scalar, int depth) {
        if (depth > kMaxDepth || i_ >= s_.size()) return false;
        scalar = false;
        const char c = s_[i_];
        if (c == '"') {
            scalar = true;
            return String(text);
        }
        if (c == '{' || c == '[') return Nested(depth);
        if (c == 't' || c == 'f') {
            scalar = true;
            const std::string_view word = c == 't' ? "true" : "false";
            if (text) text->assign(word);
            return Literal(word);
        }
        if (c == 'n') return Literal("null");
        scalar = true;
        return Number(text);
    }

    // An object or array inside a member: read for its form, kept nowhere.
    bool Nested(int depth) {
        const char close = s_[i_] == '{' ? '}' : ']';
        ++i_;
        Space();
        if (Peek(close)) return ++i_, true;
        for (;;) {
            if (close == '}') {
                if (!Peek('"') || !String(nullptr)) return false;
                Space();
                if (!Peek(':')) return false;
                ++i_;
                Space();
            }
            bool scalar = false;
            if (!Value(nullptr, scalar, depth + 1)) return false;
            Space();
            if (Peek(',')) {
                ++i_;
                Space();
                continue;
            }
            if (!Peek(close)) return false;
            ++i_;
            return true;
        }
    }

    bool Digits() {
        const size_t from = i_;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9')
            ++i_;
        return i_ > from;
    }

    bool Number(std::string* text) {
        const size_t start = i_;
        if (Peek('-')) ++i_;
        if (Peek('0'))
            ++i_;
        else if (!Digits())
            return false;
        if (Peek('.') && (++i_, !Digits())) return false;
        if (Peek('e') || Peek('E')) {
            ++i_;
            if (Peek('+') || Peek('-')) ++i_;
            if (!Digits()) return false;
        }
        if (text) text->assign(s_.substr(start, i_ - start));
        return true;
    }

    bool Hex4(char32_t& v) {
        if (s_.size() - i_ < 4) return false;
        v = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = s_[i_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<char32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<char32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<char32_t>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    // A string at i_ (its opening quote), its escapes resolved into out.
    bool String(std::string* out) {
        ++i_;
        while (i_ < s_.size()) {
            const auto c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') {
                if (out) out->push_back(static_cast<char>(c));
                continue;
            }
            if (i_ >= s_.size()) return false;
            const char e = s_[i_++];
            char plain = 0;
            switch (e) {
            case '"':
            case '\\':
            case '/':
                plain = e;
                break;
            case 'b':
                plain = '\b';
                break;
            case 'f':
                plain = '\f';
                break;
            case 'n':
                plain = '\n';
                break;
            case 'r':
                plain = '\r';
                break;
            case 't':
                plain = '\t';
                break;
            case 'u': {
                char32_t cp = 0;
                if (!Hex4(cp)) return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    char32_t low = 0;
                    if (!Literal("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    return false;
                }
                if (out) AppendUtf8(*out, cp);
                continue;
            }
            default:
                return false;
            }
            if (out) out->push_back(plain);
        }
        return false;
    }

    std::string_view s_;
    size_t i_ = 0;
};

} // namespace

const std::vector<std::string_view>& EarlierListing::KeyFields() {
    static const std::vector<std::string_view> fields(kKeyFields.begin(), kKeyFields.end());
    return fields;
}

bool EarlierListing::Read(std::string_view bytes, std::string& error) {
    keys_.clear();
    error.clear();
    std::string converted;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    } else if (bytes.substr(0, 2) == "\xFF\xFE") {
        if (!Utf16ToUtf8(bytes.substr(2), converted)) {
            error = "UTF-16 mit einer ungeraden Zahl von Bytes";
            return false;
        }
        bytes = converted;
    }
    if (Reader(bytes).Blank()) return true;
    if (Reader(bytes).Listing(keys_, error)) return true;
    keys_.clear();
    return false;
}

bool EarlierListing::Holds(const ScanRow& row, const Utf8Converter& utf8) const {
    std::array<std::string, kKeyFieldCount> texts;
    ForEachFieldText(row, utf8, [&](std::string_view name, std::string_view text) {
        if (int k = KeyIndex(name); k >= 0) texts[static_cast<size_t>(k)].assign(text);
    });
    std::array<std::string_view, kKeyFieldCount> views;
    for (size_t k = 0; k < kKeyFieldCount; ++k)
        views[k] = texts[k];
    return keys_.count(MakeKey(views)) != 0;
}

} // namespace qv
