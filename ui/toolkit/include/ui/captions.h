#pragma once
// Caption tables: every text the windows and message boxes show comes from a
// table resource named after a language. Which language is the caller's choice.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace zephrin::ui {

class Form;

// One row's fields; `ok` is false where the line cannot be split (blanks only).
struct SplitLine {
    std::vector<std::wstring> fields;
    bool ok = true;
};
SplitLine SplitCaptionLine(const std::wstring& line);

// Decodes a table's bytes by their byte-order mark; without one, as ANSI text.
std::wstring DecodeCaptionTable(const std::string& bytes);
// Cuts at CR LF, lone CR and lone LF; empty lines are kept (callers skip them).
std::vector<std::wstring> CutLines(const std::wstring& text);

// The table resource of `module` named after `language` (case ignored), decoded; empty when missing.
std::vector<std::wstring> LoadCaptionTable(HMODULE module, const std::wstring& language);

void ApplyCaptionLines(Form& form, const std::vector<std::wstring>& lines);
// The last row's text for the window and key; nullopt when no row has one.
std::optional<std::wstring> FindCaptionInLines(const std::vector<std::wstring>& lines, const std::wstring& window,
                                               const std::wstring& key);
std::wstring GetCaptionFromLines(const std::vector<std::wstring>& lines, const std::wstring& window,
                                 const std::wstring& key);

}  // namespace zephrin::ui
