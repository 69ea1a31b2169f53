#pragma once
// Caption tables: every text the windows and message boxes show comes from a
// table resource named after the language in the program key.
#include <windows.h>

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

// The table named by the program key's Language value, decoded; empty when missing.
std::vector<std::wstring> LoadCaptionTable();

void ApplyCaptionLines(Form& form, const std::vector<std::wstring>& lines);
std::wstring GetCaptionFromLines(const std::vector<std::wstring>& lines, const std::wstring& window,
                                 const std::wstring& key);

void ApplyCaptions(Form& form);
std::wstring GetCaption(const std::wstring& window, const std::wstring& key);

std::wstring AsciiLower(std::wstring text);
// Without blanks and control characters (codes 0 to 32) at either end.
std::wstring TrimControlChars(const std::wstring& text);

}  // namespace zephrin::ui
