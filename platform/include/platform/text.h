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

}  // namespace zephrin
