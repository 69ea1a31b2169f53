#pragma once
// Text rules shared by every layer: ASCII-only case folding (names in tables,
// arguments and replies compare without regard to the user's locale) and
// trimming of blanks and control characters.
#include <string>

namespace zephrin {

template <typename Text>
Text AsciiLower(Text text) {
    for (auto& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<typename Text::value_type>(c + 32);
    return text;
}

template <typename Text>
bool EqualsIgnoringAsciiCase(const Text& a, const Text& b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

// Without blanks and control characters (codes 0 to 32) at either end.
inline std::wstring TrimControlChars(const std::wstring& text) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] <= 32) ++b;
    while (e > b && text[e - 1] <= 32) --e;
    return text.substr(b, e - b);
}

// One Unicode code point appended as UTF-8.
inline void AppendUtf8(std::string& out, unsigned long c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 as UTF-8; a lone surrogate, which registry text may hold, becomes U+FFFD.
inline std::string Utf8(const std::wstring& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long c = static_cast<unsigned short>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<unsigned short>(text[++i]) - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        AppendUtf8(out, c);
    }
    return out;
}

}  // namespace zephrin
