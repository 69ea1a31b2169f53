#pragma once
// "What Zephrin changes": every tuned value as it is now, what Optimize would
// write for the choice in the main window, what Restore would put back, and
// whether this Windows uses it; with a way to keep a copy of the values as
// they are. It only reads. Prepared anew at every showing.
#include <functional>
#include <string>
#include <vector>

#include "app/actions.h"
#include "app/caption_keys.h"
#include "features/changes_table.h"
#include "ui/toolkit.h"

namespace zephrin {

class MainWindow;

// The texts of one row of the list, in its column order; `text` gives the
// window's texts by caption key.
std::vector<std::wstring> ChangesRowTexts(const ChangesRow& row, bool backupHeld,
                                          const std::function<std::wstring(const CaptionKey&)>& text);
// "This computer runs ..." from the caption's %1 (name), %2 (version) and %3 (build).
std::wstring SystemLineText(const std::wstring& caption, const RealWindowsVersion& v);
// The Save dialog's suggestion, from the caption's %1 and the local date as YYYY-MM-DD.
std::wstring SuggestedFileName(const std::wstring& caption, const SYSTEMTIME& now);

class ChangesWindow : public ui::Form {
public:
    ChangesWindow(MainWindow& main, Actions& actions);

    void SaveButtonClick();
    void HelpButtonClick();

    ui::ListView* valuesList() const { return valuesList_; }

private:
    void FormShow();
    std::wstring Text(const CaptionKey& key) const;

    MainWindow& main_;
    Actions& actions_;
    std::vector<std::wstring> captions_;  // the caption table, read at each showing
    ChangesTable table_;  // as read at this showing; Save reads the values again
    ui::Label* systemLabel_ = nullptr;
    ui::ListView* valuesList_ = nullptr;
    ui::Button* saveButton_ = nullptr;
    ui::Button* helpButton_ = nullptr;
    ui::Button* closeButton_ = nullptr;
};

}  // namespace zephrin
