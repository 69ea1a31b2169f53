#include "app/changes_window.h"

#include "app/captions.h"
#include "app/main_window.h"
#include "app/window_names.h"
#include "platform/desktop_user.h"
#include "platform/files.h"
#include "platform/identity.h"
#include "ui/captions.h"
#include "ui/system_font.h"

namespace zephrin {

using namespace ui;

namespace {

// Design sizes of the window and its list.
constexpr int kClientWidth = 860;
constexpr int kClientHeight = 426;
constexpr int kMargin = 16;
constexpr int kListTop = 58;
constexpr int kListHeight = 300;
constexpr int kButtonTop = 387;
constexpr int kButtonHeight = 25;
// Setting, Where, Now, After Optimize, Before Zephrin, On this Windows.
constexpr int kColumnWidths[] = {182, 105, 88, 90, 95, 260};
namespace c = names::ZPChangesForm;
const CaptionKey kColumnKeys[] = {c::ColumnSetting, c::ColumnWhere,  c::ColumnNow,
                                  c::ColumnAfter,   c::ColumnBefore, c::ColumnWindows};

const wchar_t kSettingsTopic[] = L"/html/settings.htm";

std::wstring FillIn(std::wstring text, const std::vector<std::wstring>& parts) {
    for (size_t i = parts.size(); i-- > 0;) {
        const std::wstring mark = L"%" + std::to_wstring(i + 1);
        for (size_t at = text.find(mark); at != std::wstring::npos; at = text.find(mark, at + parts[i].size()))
            text.replace(at, mark.size(), parts[i]);
    }
    return text;
}

}  // namespace

std::vector<std::wstring> ChangesRowTexts(const ChangesRow& row, bool backupHeld,
                                          const std::function<std::wstring(const CaptionKey&)>& text) {
    auto cell = [&text](const DataCell& c) -> std::wstring {
        switch (c.state) {
        case DataCell::Set: return DescribeData(c.value);
        case DataCell::NotSet: return text(c::NotSet);
        case DataCell::CannotBeRead: return text(c::CannotBeRead);
        case DataCell::NotChanged:
        case DataCell::NoUser: return text(c::NotChanged);  // a window always has its desktop's user
        }
        return {};
    };
    const CaptionKey where = row.area == ValueArea::InternetSettings  ? c::WhereInternetSettings
                             : row.area == ValueArea::PacketScheduler ? c::WherePacketScheduler
                                                                      : c::WhereTcpIp;
    const CaptionKey verdict = row.verdict == Verdict::Used          ? c::VerdictUsed
                               : row.verdict == Verdict::WinInetOnly ? c::VerdictWinInet
                               : row.verdict == Verdict::Ignored     ? c::VerdictIgnored
                                                                     : c::VerdictNotKnown;
    std::wstring onThisWindows = text(verdict);
    if (row.managedBy == PolicyOwner::GroupPolicy) onThisWindows += text(c::ManagedGroupPolicy);
    if (row.managedBy == PolicyOwner::Mdm) onThisWindows += text(c::ManagedMdm);
    return {row.name,          text(where), cell(row.now), cell(row.afterOptimize),
            backupHeld ? cell(row.beforeZephrin) : std::wstring(), onThisWindows};
}

std::wstring SystemLineText(const std::wstring& caption, const RealWindowsVersion& v) {
    return FillIn(caption, {WindowsProductName(v), std::to_wstring(v.major) + L"." + std::to_wstring(v.minor),
                            std::to_wstring(v.build)});
}

std::wstring SuggestedFileName(const std::wstring& caption, const SYSTEMTIME& now) {
    wchar_t date[16];
    swprintf(date, 16, L"%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    return FillIn(caption, {date});
}

ChangesWindow::ChangesWindow(MainWindow& main, Actions& actions)
    : Form([&main] {
          FormArgs args;
          args.name = kChangesFormName;
          args.className = kChangesFormClass;
          args.clientWidth = kClientWidth;
          args.clientHeight = kClientHeight;
          args.border = BorderKind::Dialog;
          args.placement = Placement::OwnerCenter;
          args.owner = &main;
          return args;
      }()),
      main_(main),
      actions_(actions) {
    systemLabel_ = Add<Label>(nullptr, c::SystemLabel.key);
    systemLabel_->bounds = {kMargin, 14, 0, 0};
    Label* valuesLabel = Add<Label>(nullptr, c::ValuesLabel.key);
    valuesLabel->bounds = {kMargin, 38, 0, 0};
    valuesList_ = Add<ListView>(nullptr, c::ValuesList.key);
    valuesList_->bounds = {kMargin, kListTop, kClientWidth - 2 * kMargin, kListHeight};
    valuesList_->labelledBy = valuesLabel;
    valuesList_->tabOrder = 0;
    Add<Bevel>(nullptr, c::ChangesBevel.key, BevelShape::TopLine)->bounds = {0, kButtonTop - 15, kClientWidth, 5};

    saveButton_ = Add<Button>(nullptr, c::SaveButton.key);
    saveButton_->tabOrder = 1;
    saveButton_->onClick = [this] { SaveButtonClick(); };
    helpButton_ = Add<Button>(nullptr, c::HelpButton.key);
    helpButton_->tabOrder = 2;
    helpButton_->onClick = [this] { HelpButtonClick(); };
    closeButton_ = Add<Button>(nullptr, c::CloseButton.key);
    closeButton_->bounds = {kClientWidth - kMargin - 79, kButtonTop, 79, kButtonHeight};
    closeButton_->isDefault = true;
    closeButton_->tabOrder = 3;
    closeButton_->onClick = [this] { EndModal(IDOK); };
    defaultButton = closeButton_;
    for (Button* b : {helpButton_, saveButton_}) b->bounds = {kMargin, kButtonTop, 79, kButtonHeight};
    onCancel = [this] { EndModal(IDCANCEL); };

    onShow = [this] { FormShow(); };
    fontsAtCreate = false;  // prepared each time it is shown
    PrepareFonts(*this);
}

std::wstring ChangesWindow::Text(const CaptionKey& key) const { return CaptionFromLines(captions_, key); }

void ChangesWindow::FormShow() {
    captions_ = ProgramCaptionLines();
    PrepareWindow(*this, captions_);
    const int row = (std::max)(0, main_.modemCombo()->Selected());
    const int speed = main_.speedTrackBar()->Position();
    table_ = ReadChangesTable(row, speed, DesktopUser(), GetRealWindowsVersion());

    systemLabel_->SetCaption(SystemLineText(Text(c::SystemLabel), table_.system));
    std::vector<ListView::Column> columns;
    for (size_t i = 0; i < std::size(kColumnKeys); ++i) columns.push_back({Text(kColumnKeys[i]), kColumnWidths[i]});
    std::vector<std::vector<std::wstring>> rows;
    auto text = [this](const CaptionKey& key) { return Text(key); };
    for (const ChangesRow& r : table_.rows) rows.push_back(ChangesRowTexts(r, table_.backupHeld, text));
    valuesList_->SetContents(std::move(columns), std::move(rows));
    // A longer translation widens the buttons rather than clipping them.
    LayOutButtonRow({helpButton_, saveButton_}, kMargin);
    if (valuesList_->Handle()) SetFocus(valuesList_->Handle());
}

void ChangesWindow::SaveButtonClick() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring path =
        actions_.askFileToSave(Handle(), SuggestedFileName(Text(c::SaveFileName), now), Text(c::SaveFileKind), L"reg");
    if (path.empty()) return;
    // Saved as the values are at this moment, not as they were when the window opened.
    const ChangesTable current = ReadChangesTable(table_.connectionRow, table_.speedLevel, DesktopUser(),
                                                  table_.system);
    const std::wstring text = L"\xFEFF" + SettingsRegFile(current);
    const std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    if (WriteWholeFile(path, bytes)) return;
    actions_.messageBox(Handle(), JoinParagraphs({Text(c::MessageBoxSaveFailed1), Text(c::MessageBoxSaveFailed2)}),
                        Caption(names::ZPMainForm::ZPMainForm), MB_OK | MB_ICONWARNING);
}

void ChangesWindow::HelpButtonClick() { actions_.showHelp(kHelpFile, kSettingsTopic); }

}  // namespace zephrin
