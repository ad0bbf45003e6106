#include "autostart/TaskXml.h"

#include <array>

namespace qv {

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const auto unit = [&](size_t i) {
        const auto a = static_cast<uint8_t>(bytes[i]);
        const auto b = static_cast<uint8_t>(bytes[i + 1]);
        return static_cast<uint32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 3 >= bytes.size()) return std::nullopt;
            const uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return std::nullopt;
        }
        AppendUtf8(out, u);
    }
    return out;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool ValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<uint8_t>(s[i]);
        size_t n = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size()) return false;
        for (size_t k = 1; k <= n; ++k) {
            const auto t = static_cast<uint8_t>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        static constexpr std::array<uint32_t, 4> kMin{0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n + 1;
    }
    return true;
}

bool IsNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.' || c == ':';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The name without its namespace prefix: the scheduler's files use the
// default namespace, but a prefixed one means the same element.
std::string_view LocalName(std::string_view name) {
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string Trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b]))
        ++b;
    while (e > b && IsSpace(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

// Appends text with its character and entity references resolved; false on a
// reference that is not one of XML's own.
bool AppendDecoded(std::string& out, std::string_view raw) {
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const size_t semi = raw.find(';', i);
        if (semi == std::string_view::npos || semi - i > 12) return false;
        const std::string_view ref = raw.substr(i + 1, semi - i - 1);
        if (ref == "lt") {
            out += '<';
        } else if (ref == "gt") {
            out += '>';
        } else if (ref == "amp") {
            out += '&';
        } else if (ref == "quot") {
            out += '"';
        } else if (ref == "apos") {
            out += '\'';
        } else if (ref.size() >= 2 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty()) return false;
            uint32_t cp = 0;
            for (char d : digits) {
                uint32_t v;
                if (d >= '0' && d <= '9')
                    v = static_cast<uint32_t>(d - '0');
                else if (hex && d >= 'a' && d <= 'f')
                    v = static_cast<uint32_t>(d - 'a' + 10);
                else if (hex && d >= 'A' && d <= 'F')
                    v = static_cast<uint32_t>(d - 'A' + 10);
                else
                    return false;
                cp = cp * (hex ? 16 : 10) + v;
                if (cp > 0x10FFFF) return false;
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
            AppendUtf8(out, cp);
        } else {
            return false;
        }
        i = semi;
    }
    return true;
}

TaskTrigger TriggerOfElement(std::string_view name) {
    if (name == "LogonTrigger") return TaskTrigger::Logon;
    if (name == "BootTrigger") return TaskTrigger::Boot;
    if (name == "TimeTrigger" || name == "CalendarTrigger") return TaskTrigger::Schedule;
    return TaskTrigger::Other;
}

// A single pass over the text with an explicit stack of open elements: the
// depth limit bounds both the stack and the work, so no nesting can exhaust
// the program's own stack.
class TaskReader {
  public:
    explicit TaskReader(std::string_view text) : s_(text) {}

    std::optional<TaskDefinition> Read() {
        while (pos_ < s_.size()) {
            if (s_[pos_] == '<') {
                if (!Markup()) return std::nullopt;
            } else {
                const size_t lt = s_.find('<', pos_);
                const size_t end = lt == std::string_view::npos ? s_.size() : lt;
                if (!Text(s_.substr(pos_, end - pos_))) return std::nullopt;
                pos_ = end;
            }
        }
        if (!rootSeen_ || !stack_.empty()) return std::nullopt;
        return def_;
    }

  private:
    bool Skip(std::string_view closing) {
        const size_t at = s_.find(closing, pos_);
        if (at == std::string_view::npos) return false;
        pos_ = at + closing.size();
        return true;
    }

    bool Markup() {
        const std::string_view rest = s_.substr(pos_);
        if (rest.starts_with("<?")) return Skip("?>");
        if (rest.starts_with("<!--")) return Skip("-->");
        if (rest.starts_with("<![CDATA[")) {
            if (stack_.empty()) return false;
            const size_t from = pos_ + 9;
            if (!Skip("]]>")) return false;
            return Keep(s_.substr(from, pos_ - 3 - from));
        }
        // A document type could declare entities of its own; the scheduler
        // never writes one.
        if (rest.starts_with("<!")) return false;
        if (rest.starts_with("</")) return EndTag();
        return StartTag();
    }

    bool StartTag() {
        size_t i = pos_ + 1;
        const size_t nameStart = i;
        while (i < s_.size() && IsNameChar(s_[i]))
            ++i;
        if (i == nameStart) return false;
        const std::string_view name = LocalName(s_.substr(nameStart, i - nameStart));
        // Attributes are not needed: step over them, quoted values included.
        bool empty = false;
        for (;;) {
            if (i >= s_.size()) return false;
            const char c = s_[i];
            if (c == '"' || c == '\'') {
                const size_t close = s_.find(c, i + 1);
                if (close == std::string_view::npos) return false;
                i = close + 1;
            } else if (c == '>') {
                ++i;
                break;
            } else if (c == '/' && i + 1 < s_.size() && s_[i + 1] == '>') {
                empty = true;
                i += 2;
                break;
            } else if (c == '<') {
                return false;
            } else {
                ++i;
            }
        }
        pos_ = i;
        if (stack_.empty()) {
            if (rootSeen_ || name != "Task") return false;
            rootSeen_ = true;
        }
        if (stack_.size() >= kMaxTaskXmlDepth) return false;
        stack_.push_back(name);
        Opened();
        if (empty) Closed();
        return true;
    }

    bool EndTag() {
        size_t i = pos_ + 2;
        const size_t nameStart = i;
        while (i < s_.size() && IsNameChar(s_[i]))
            ++i;
        const std::string_view name = LocalName(s_.substr(nameStart, i - nameStart));
        while (i < s_.size() && IsSpace(s_[i]))
            ++i;
        if (i >= s_.size() || s_[i] != '>') return false;
        if (stack_.empty() || stack_.back() != name) return false;
        pos_ = i + 1;
        Closed();
        return true;
    }

    bool Text(std::string_view raw) {
        if (stack_.empty()) {
            // Only blanks may stand outside the root element.
            for (char c : raw)
                if (!IsSpace(c)) return false;
            return true;
        }
        std::string decoded;
        if (!AppendDecoded(decoded, raw)) return false;
        return Keep(decoded);
    }

    // Text inside the open element: kept only where the list needs it.
    bool Keep(std::string_view text) {
        if (field_ && field_->size() < kMaxTaskFieldBytes)
            field_->append(text.substr(0, kMaxTaskFieldBytes - field_->size()));
        return true;
    }

    bool At(std::initializer_list<std::string_view> path) const {
        if (stack_.size() != path.size()) return false;
        size_t k = 0;
        for (std::string_view p : path)
            if (stack_[k++] != p) return false;
        return true;
    }

    void Opened() {
        field_ = nullptr;
        if (stack_.size() == 3 && stack_[1] == "Triggers") {
            if (def_.triggers.size() < kMaxTaskItems)
                def_.triggers.push_back(TriggerOfElement(stack_[2]));
        } else if (At({"Task", "Actions", "Exec"})) {
            inExec_ = def_.execs.size() < kMaxTaskItems;
            if (inExec_) def_.execs.emplace_back();
        } else if (inExec_ && At({"Task", "Actions", "Exec", "Command"})) {
            field_ = &def_.execs.back().command;
            field_->clear();
        } else if (inExec_ && At({"Task", "Actions", "Exec", "Arguments"})) {
            field_ = &def_.execs.back().arguments;
            field_->clear();
        } else if (At({"Task", "Settings", "Enabled"})) {
            field_ = &enabledText_;
            enabledText_.clear();
        }
    }

    void Closed() {
        if (field_ == &enabledText_) {
            const std::string v = Trimmed(enabledText_);
            def_.enabled = !(v == "false" || v == "0");
        } else if (field_) {
            *field_ = Trimmed(*field_);
        }
        field_ = nullptr;
        if (At({"Task", "Actions", "Exec"})) inExec_ = false;
        stack_.pop_back();
    }

    std::string_view s_;
    size_t pos_ = 0;
    std::vector<std::string_view> stack_;
    bool rootSeen_ = false;
    bool inExec_ = false;
    std::string* field_ = nullptr;
    std::string enabledText_;
    TaskDefinition def_;
};

} // namespace

std::optional<std::string> TaskXmlText(std::string_view bytes) {
    if (bytes.size() > kMaxTaskXmlBytes) return std::nullopt;
    const auto b = [&](size_t i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0; };
    if (b(0) == 0xFF && b(1) == 0xFE) return Utf16ToUtf8(bytes.substr(2), false);
    if (b(0) == 0xFE && b(1) == 0xFF) return Utf16ToUtf8(bytes.substr(2), true);
    if (bytes.size() >= 2 && b(0) != 0 && b(0) < 0x80 && b(1) == 0)
        return Utf16ToUtf8(bytes, false);
    if (b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) bytes.remove_prefix(3);
    if (!ValidUtf8(bytes)) return std::nullopt;
    return std::string(bytes);
}

std::optional<TaskDefinition> ParseTaskXml(std::string_view bytes) {
    const auto text = TaskXmlText(bytes);
    if (!text) return std::nullopt;
    // A NUL has no place in XML; it would also cut the text short later.
    if (text->find('\0') != std::string::npos) return std::nullopt;
    return TaskReader(*text).Read();
}

} // namespace qv
