#include "ui/captions.h"

#include "platform/text.h"
#include "ui/toolkit.h"

namespace zephrin::ui {
namespace {

// A NUL counts as a control character: a table may hold anything, and a
// character that neither ends a field nor is skipped would never be passed.
bool IsBlankOrControl(wchar_t c) { return c <= 32; }

}  // namespace

SplitLine SplitCaptionLine(const std::wstring& line) {
    SplitLine out;
    const size_t n = line.size();
    size_t i = 0;
    while (i < n && IsBlankOrControl(line[i])) ++i;
    while (i < n) {
        std::wstring field;
        if (line[i] == L'"') {
            ++i;
            // A missing closing quote runs the field to the end of the line.
            while (i < n) {
                if (line[i] == L'"') {
                    if (i + 1 < n && line[i + 1] == L'"') {
                        field += L'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
        } else {
            while (i < n && line[i] != L',' && line[i] > 32) field += line[i++];
        }
        out.fields.push_back(field);
        while (i < n && IsBlankOrControl(line[i])) ++i;
        if (i < n && line[i] == L',') {
            if (i == n - 1) out.fields.emplace_back();
            ++i;
            while (i < n && IsBlankOrControl(line[i])) ++i;
        }
    }
    out.ok = !out.fields.empty();
    return out;
}

std::wstring DecodeCaptionTable(const std::string& bytes) {
    auto u8 = [](unsigned char c) { return static_cast<unsigned char>(c); };
    if (bytes.size() >= 2 && u8(bytes[0]) == 0xFF && u8(bytes[1]) == 0xFE) {
        std::wstring text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(u8(bytes[i]) | (u8(bytes[i + 1]) << 8));
        return text;
    }
    if (bytes.size() >= 2 && u8(bytes[0]) == 0xFE && u8(bytes[1]) == 0xFF) {
        std::wstring text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>((u8(bytes[i]) << 8) | u8(bytes[i + 1]));
        return text;
    }
    UINT codePage = CP_ACP;
    size_t start = 0;
    if (bytes.size() >= 3 && u8(bytes[0]) == 0xEF && u8(bytes[1]) == 0xBB && u8(bytes[2]) == 0xBF) {
        codePage = CP_UTF8;
        start = 3;
    }
    const int len = static_cast<int>(bytes.size() - start);
    if (len <= 0) return {};
    const int wide = MultiByteToWideChar(codePage, 0, bytes.data() + start, len, nullptr, 0);
    if (wide <= 0) return {};
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data() + start, len, text.data(), wide);
    return text;
}

std::vector<std::wstring> CutLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wstring current;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            lines.push_back(current);
            current.clear();
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty()) lines.push_back(current);
    return lines;
}

std::vector<std::wstring> LoadCaptionTable(HMODULE module, const std::wstring& language) {
    // Resource names are found without regard to case.
    HRSRC res = FindResourceW(module, language.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!res) return {};
    HGLOBAL loaded = LoadResource(module, res);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    const DWORD size = SizeofResource(module, res);
    if (!data) return {};
    return CutLines(DecodeCaptionTable(std::string(data, size)));
}

void ApplyCaptionLines(Form& form, const std::vector<std::wstring>& lines) {
    const std::wstring formName = AsciiLower(form.name());
    for (const std::wstring& line : lines) {
        if (line.empty()) continue;
        const SplitLine row = SplitCaptionLine(line);
        if (!row.ok) return;
        if (AsciiLower(row.fields[0]) != formName) continue;
        if (row.fields.size() < 2) return;
        const std::wstring& key = row.fields[1];
        if (key == form.name()) {
            if (row.fields.size() < 3) return;
            form.SetTitle(row.fields[2]);
            continue;
        }
        Component* target = form.Find(key);
        if (!target) continue;
        if (!target->TakesCaption()) continue;
        if (row.fields.size() < 3) return;
        target->SetCaption(row.fields[2]);
    }
}

std::optional<std::wstring> FindCaptionInLines(const std::vector<std::wstring>& lines, const std::wstring& window,
                                               const std::wstring& key) {
    std::optional<std::wstring> result;
    const std::wstring w = AsciiLower(window), k = AsciiLower(key);
    for (const std::wstring& line : lines) {
        if (line.empty()) continue;
        const SplitLine row = SplitCaptionLine(line);
        if (!row.ok) return result;
        if (AsciiLower(row.fields[0]) != w) continue;
        if (row.fields.size() < 2) return result;
        if (AsciiLower(row.fields[1]) != k) continue;
        if (row.fields.size() < 3) return result;
        result = row.fields[2];
    }
    return result;
}

std::wstring GetCaptionFromLines(const std::vector<std::wstring>& lines, const std::wstring& window,
                                 const std::wstring& key) {
    return FindCaptionInLines(lines, window, key).value_or(std::wstring());
}

}  // namespace zephrin::ui
