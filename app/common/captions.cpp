#include "app/captions.h"

#include "platform/program_key.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "ui/application.h"
#include "ui/captions.h"
#include "ui/system_font.h"

namespace zephrin {

std::vector<std::wstring> ProgramCaptionLines() {
    const std::wstring language = AsciiLower(ReadProgramString(value::kLanguage, L"english"));
    HMODULE module = ui::Application::Instance().instance();
    return ui::LoadCaptionTable(module ? module : GetModuleHandleW(nullptr), language);
}

std::wstring CaptionFromLines(const std::vector<std::wstring>& lines, const CaptionKey& key) {
    if (auto text = ui::FindCaptionInLines(lines, key.window, key.key)) return *text;
    TraceSwallowed((std::wstring(L"no caption row ") + key.window + L", " + key.key).c_str());
    return {};
}

std::wstring Caption(const CaptionKey& key) { return CaptionFromLines(ProgramCaptionLines(), key); }

void PrepareWindow(ui::Form& form) { ui::PrepareWindow(form, ProgramCaptionLines()); }

std::wstring JoinParagraphs(const std::vector<std::wstring>& parts) {
    std::wstring text;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) text += L"\r\n\r\n";
        text += parts[i];
    }
    return text;
}

}  // namespace zephrin
