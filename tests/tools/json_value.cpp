#include "json_value.h"

#include <cctype>
#include <charconv>

const JsonValue& JsonValue::operator[](std::string_view key) const {
    static const JsonValue none;
    for (const auto& [name, value] : members)
        if (name == key)
            return value;
    return none;
}

const JsonValue& JsonValue::operator[](std::size_t index) const {
    static const JsonValue none;
    return index < items.size() ? items[index] : none;
}

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : p_(text.data()), end_(p_ + text.size()) {}

    bool document(JsonValue& value) { return parse(value) && (skipSpace(), p_ == end_); }

private:
    void skipSpace() {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t'))
            ++p_;
    }
    bool take(char c) {
        skipSpace();
        if (p_ == end_ || *p_ != c)
            return false;
        ++p_;
        return true;
    }
    bool word(std::string_view w) {
        if (std::string_view(p_, static_cast<std::size_t>(end_ - p_)).substr(0, w.size()) != w)
            return false;
        p_ += w.size();
        return true;
    }

    bool string(std::string& out) {
        if (!take('"'))
            return false;
        while (p_ != end_ && *p_ != '"') {
            if (static_cast<unsigned char>(*p_) < 0x20)
                return false;
            if (*p_ == '\\') {
                if (++p_ == end_)
                    return false;
                if (*p_ == 'u') {
                    if (end_ - p_ < 5)
                        return false;
                    out += '?';
                    p_ += 4;
                } else if (std::string_view("\"\\/bfnrt").find(*p_) == std::string_view::npos) {
                    return false;
                }
            }
            out += *p_++;
        }
        return p_ != end_ && *p_++ == '"';
    }

    // JSON's grammar is narrower than from_chars': no "inf", "nan", leading
    // "+" or ".5", and no leading zeros.
    bool number(double& out) {
        const char* start = p_;
        if (p_ != end_ && *p_ == '-')
            ++p_;
        if (p_ == end_ || !std::isdigit(static_cast<unsigned char>(*p_)))
            return false;
        if (*p_ == '0' && p_ + 1 != end_ && std::isdigit(static_cast<unsigned char>(p_[1])))
            return false;
        const auto [next, status] = std::from_chars(start, end_, out);
        p_ = next;
        return status == std::errc{};
    }

    bool parse(JsonValue& value) {
        skipSpace();
        if (p_ == end_)
            return false;
        switch (*p_) {
        case '{':
            value.kind = JsonValue::Kind::Object;
            ++p_;
            if (take('}'))
                return true;
            do {
                std::string key;
                JsonValue member;
                if (!string(key) || !take(':') || !parse(member))
                    return false;
                value.members.emplace_back(std::move(key), std::move(member));
            } while (take(','));
            return take('}');
        case '[':
            value.kind = JsonValue::Kind::Array;
            ++p_;
            if (take(']'))
                return true;
            do {
                value.items.emplace_back();
                if (!parse(value.items.back()))
                    return false;
            } while (take(','));
            return take(']');
        case '"':
            value.kind = JsonValue::Kind::String;
            return string(value.text);
        case 't':
        case 'f':
            value.kind = JsonValue::Kind::Boolean;
            value.boolean = *p_ == 't';
            return word(value.boolean ? "true" : "false");
        case 'n':
            return word("null");
        default:
            value.kind = JsonValue::Kind::Number;
            return number(value.number);
        }
    }

    const char* p_;
    const char* end_;
};

} // namespace

bool parseJson(std::string_view text, JsonValue& value) {
    value = JsonValue{};
    return Reader(text).document(value);
}
