#include "tuning/operations.h"

#include "app/main_window.h"
#include "settings/custom_registry.h"
#include "settings/program_key.h"
#include "tuning/settings_window.h"
#include "tuning/tuning_plan.h"
#include "ui/captions.h"

namespace zephrin {
namespace {

using ui::GetCaption;

struct StepText {
    int count;
    const wchar_t* key;
};

// Names listed in a REG_MULTI_SZ value.
std::vector<std::wstring> ReadNameList(const std::wstring& name) {
    RawValue raw;
    std::vector<std::wstring> names;
    if (ReadRegistryRaw(kProgramRoot, kProgramKeyPath, name, raw) != RawRead::Present ||
        raw.type != REG_MULTI_SZ)
        return names;
    const auto* text = reinterpret_cast<const wchar_t*>(raw.data.data());
    const size_t count = raw.data.size() / sizeof(wchar_t);
    std::wstring current;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] == L'\0') {
            if (!current.empty()) names.push_back(current);
            current.clear();
        } else {
            current += text[i];
        }
    }
    return names;
}

void WriteNameList(const std::wstring& name, const std::vector<std::wstring>& names) {
    RawValue raw;
    raw.type = REG_MULTI_SZ;
    std::wstring joined;
    for (const auto& n : names) joined += n + L'\0';
    joined += L'\0';
    const auto* bytes = reinterpret_cast<const BYTE*>(joined.data());
    raw.data.assign(bytes, bytes + joined.size() * sizeof(wchar_t));
    WriteRegistryRaw(kProgramRoot, kProgramKeyPath, name, raw);
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
    for (const auto& n : names)
        if (n == name) return true;
    return false;
}

// Shows the progress window and runs the steps; false when the program is ending.
bool RunSteps(MainWindow& main, SettingsWindow& progress, const wchar_t* headingKey,
              const std::vector<StepText>& steps) {
    main.SetEnabled(false);
    progress.SetPlacement(ui::Placement::OwnerCenter);
    progress.Show();
    int total = 0;
    for (const auto& s : steps) total += s.count;
    progress.TotalSteps = total;
    progress.StepCount = 0;
    progress.currentSettingsHeading()->SetCaption(GetCaption(L"ZPSettingsForm", headingKey));
    for (const auto& s : steps)
        for (int i = 0; i < s.count; ++i)
            if (!progress.RunPacedStep(GetCaption(L"ZPSettingsForm", s.key))) return false;
    return true;
}

void AskRestart(MainWindow& main) {
    const std::wstring text = JoinParagraphs({GetCaption(L"ZPMainForm", L"MessageBoxChangeRestart1"),
                                              GetCaption(L"ZPMainForm", L"MessageBoxChangeRestart2"),
                                              GetCaption(L"ZPMainForm", L"MessageBoxChangeRestart3")});
    const int answer = main.actions().messageBox(main.Handle(), text, main.Title(),
                                                 MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer == IDYES) main.actions().restartWindows();
}

void Finish(MainWindow& main, SettingsWindow& progress, bool restoreEnabled) {
    main.SetEnabled(true);
    progress.Hide();
    main.restoreButton()->SetEnabled(restoreEnabled);
    AskRestart(main);
}

}  // namespace

std::wstring JoinParagraphs(const std::vector<std::wstring>& parts) {
    std::wstring text;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) text += L"\r\n\r\n";
        text += parts[i];
    }
    return text;
}

void TakeBackup() {
    // A stale, half-written record from an interrupted run must not survive.
    DropBackup();
    for (const BackupValue& b : BackupValues()) {
        const int32_t v = ReadRegistryInteger(b.place.root, b.place.path, b.name, b.defaultValue, false);
        WriteProgramInteger(b.name, v);
    }
    std::vector<std::wstring> absent;
    for (const TunedValue& t : AllTunedValues()) {
        RawValue raw;
        switch (ReadRegistryRaw(t.place.root, t.place.path, t.name, raw)) {
        case RawRead::Present:
            WriteRegistryRaw(kProgramRoot, kBackupKeyPath, t.name, raw);
            break;
        case RawRead::Absent:
            absent.push_back(t.name);
            break;
        case RawRead::Unknown:
            break;  // neither put back nor deleted later
        }
    }
    WriteNameList(kBackupAbsentValue, absent);
    WriteProgramBool(kBackupRecordValue, true);
    // Only now does the flag say that a complete backup is held.
    WriteProgramBool(value::kRestore, true);
}

void WriteTunedValues(int row, int speedLevel) {
    for (const TunedValue& t : TunedValuesFor(row, speedLevel))
        WriteRegistryInteger(t.place.root, t.place.path, t.name, t.data, false);
}

void PutBackOriginals(int row) {
    if (ReadProgramBool(kBackupRecordValue, false)) {
        const std::vector<std::wstring> absent = ReadNameList(kBackupAbsentValue);
        for (const TunedValue& t : AllTunedValues()) {
            RawValue raw;
            if (ReadRegistryRaw(kProgramRoot, kBackupKeyPath, t.name, raw) == RawRead::Present)
                WriteRegistryRaw(t.place.root, t.place.path, t.name, raw);
            else if (Contains(absent, t.name))
                DeleteRegistryValue(t.place.root, t.place.path, t.name, false);
        }
        return;
    }
    // A backup taken by an older version holds only the four values.
    for (const BackupValue& b : BackupValues()) {
        const int32_t v = ReadProgramInteger(b.name, b.defaultValue);
        WriteRegistryInteger(b.place.root, b.place.path, b.name, v, false);
    }
    if (RowGetsStackValues(row)) {
        const auto all = AllTunedValues();
        for (size_t i = 4; i < all.size(); ++i)
            DeleteRegistryValue(all[i].place.root, all[i].place.path, all[i].name, false);
    }
}

void DropBackup() {
    for (const BackupValue& b : BackupValues()) DeleteProgramValue(b.name);
    for (const TunedValue& t : AllTunedValues()) DeleteRegistryValue(kProgramRoot, kBackupKeyPath, t.name, false);
    DeleteProgramValue(kBackupAbsentValue);
    DeleteProgramValue(kBackupRecordValue);
}

void OptimizeOperation(MainWindow& main, SettingsWindow& progress) {
    try {
        const bool hadBackup = ReadProgramBool(value::kRestore, false);
        WriteProgramInteger(value::kInternetType, main.modemCombo()->Selected());
        WriteProgramInteger(value::kSpeedSetting, main.speedTrackBar()->Position());
        main.actions().playClick();
        if (!RunSteps(main, progress, L"MessageUpdate",
                      {{2, L"MessageChange1"}, {3, L"MessageChange2"}, {2, L"MessageChange3"},
                       {4, L"MessageChange4"}}))
            return;
        if (!hadBackup) TakeBackup();
        WriteTunedValues(main.modemCombo()->Selected(), main.speedTrackBar()->Position());
        Finish(main, progress, true);
    } catch (...) {
        main.SetEnabled(true);
        progress.Hide();
    }
}

void RestoreOperation(MainWindow& main, SettingsWindow& progress) {
    try {
        const std::wstring text = JoinParagraphs(
            {GetCaption(L"ZPMainForm", L"MessageBoxReset1"), GetCaption(L"ZPMainForm", L"MessageBoxReset2")});
        if (main.actions().messageBox(main.Handle(), text, main.Title(), MB_OKCANCEL | MB_ICONWARNING) != IDOK)
            return;
        main.actions().playClick();
        if (!RunSteps(main, progress, L"MessageRestore",
                      {{2, L"MessageChange1"}, {3, L"MessageChange2"}, {4, L"MessageChange5"}}))
            return;
        PutBackOriginals(main.modemCombo()->Selected());
        // The flag goes only once the originals are back in place.
        DeleteProgramValue(value::kRestore);
        DropBackup();
        Finish(main, progress, false);
    } catch (...) {
        main.SetEnabled(true);
        progress.Hide();
    }
}

}  // namespace zephrin
