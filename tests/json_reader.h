#pragma once
// A strict reader of JSON texts for the tests: what an administrator's
// script would read from the program's reports. Numbers are integers, the
// only ones the reports hold.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace zephrin::test {

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    long long number = 0;
    std::string text;  // UTF-8
    std::vector<Json> items;
    std::map<std::string, Json> members;

    bool Has(const std::string& key) const { return kind == Object && members.count(key) == 1; }
    const Json& operator[](const std::string& key) const {
        static const Json missing;
        auto it = members.find(key);
        return it == members.end() ? missing : it->second;
    }
    const Json& operator[](size_t i) const {
        static const Json missing;
        return i < items.size() ? items[i] : missing;
    }

    // Null when the text is not one whole JSON value.
    static std::optional<Json> Parse(const std::string& in) {
        size_t at = 0;
        Json value;
        if (!Value(in, at, value)) return std::nullopt;
        Blank(in, at);
        if (at != in.size()) return std::nullopt;
        return value;
    }

private:
    static void Blank(const std::string& in, size_t& at) {
        while (at < in.size() && (in[at] == ' ' || in[at] == '\n' || in[at] == '\r' || in[at] == '\t')) ++at;
    }
    static bool Word(const std::string& in, size_t& at, const char* word) {
        const std::string w(word);
        if (in.compare(at, w.size(), w) != 0) return false;
        at += w.size();
        return true;
    }
    static bool Hex4(const std::string& in, size_t& at, unsigned long& c) {
        if (at + 4 > in.size()) return false;
        c = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = in[at++];
            c <<= 4;
            if (h >= '0' && h <= '9') c |= h - '0';
            else if (h >= 'a' && h <= 'f') c |= h - 'a' + 10;
            else if (h >= 'A' && h <= 'F') c |= h - 'A' + 10;
            else return false;
        }
        return true;
    }
    static bool Str(const std::string& in, size_t& at, std::string& out) {
        if (at >= in.size() || in[at] != '"') return false;
        ++at;
        while (at < in.size() && in[at] != '"') {
            const unsigned char c = static_cast<unsigned char>(in[at++]);
            if (c < 0x20) return false;  // control characters must be escaped
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (at >= in.size()) return false;
            const char e = in[at++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned long u = 0;
                if (!Hex4(in, at, u)) return false;
                if (u >= 0xD800 && u <= 0xDBFF) {
                    unsigned long low = 0;
                    if (!Word(in, at, "\\u") || !Hex4(in, at, low) || low < 0xDC00 || low > 0xDFFF) return false;
                    u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, u);
                break;
            }
            default: return false;
            }
        }
        if (at >= in.size()) return false;
        ++at;
        return true;
    }
    static bool Value(const std::string& in, size_t& at, Json& out) {
        Blank(in, at);
        if (at >= in.size()) return false;
        const char c = in[at];
        if (c == '{') {
            out.kind = Object;
            ++at;
            Blank(in, at);
            if (at < in.size() && in[at] == '}') return ++at, true;
            for (;;) {
                std::string key;
                Blank(in, at);
                if (!Str(in, at, key) || out.members.count(key)) return false;
                Blank(in, at);
                if (at >= in.size() || in[at++] != ':') return false;
                if (!Value(in, at, out.members[key])) return false;
                Blank(in, at);
                if (at >= in.size()) return false;
                if (in[at] == '}') return ++at, true;
                if (in[at++] != ',') return false;
            }
        }
        if (c == '[') {
            out.kind = Array;
            ++at;
            Blank(in, at);
            if (at < in.size() && in[at] == ']') return ++at, true;
            for (;;) {
                out.items.emplace_back();
                if (!Value(in, at, out.items.back())) return false;
                Blank(in, at);
                if (at >= in.size()) return false;
                if (in[at] == ']') return ++at, true;
                if (in[at++] != ',') return false;
            }
        }
        if (c == '"') {
            out.kind = String;
            return Str(in, at, out.text);
        }
        if (Word(in, at, "true")) return out.kind = Bool, out.boolean = true, true;
        if (Word(in, at, "false")) return out.kind = Bool, true;
        if (Word(in, at, "null")) return true;
        const size_t start = at;
        if (at < in.size() && in[at] == '-') ++at;
        if (at >= in.size() || in[at] < '0' || in[at] > '9' || (in[at] == '0' && at + 1 < in.size() &&
                                                                in[at + 1] >= '0' && in[at + 1] <= '9'))
            return false;
        while (at < in.size() && in[at] >= '0' && in[at] <= '9') ++at;
        out.kind = Number;
        out.number = std::stoll(in.substr(start, at - start));
        return true;
    }
};

}  // namespace zephrin::test
