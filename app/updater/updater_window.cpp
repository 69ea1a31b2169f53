#include "app/updater_window.h"

#include "app/captions.h"
#include "app/close_program.h"
#include "app/window_names.h"
#include "platform/identity.h"
#include "platform/program_key.h"
#include "platform/folders.h"
#include "platform/programs.h"
#include "ui/application.h"

namespace zephrin {

using namespace ui;

namespace {

// From the worker to the window.
constexpr UINT kReleaseChecked = WM_APP + 1;
constexpr UINT kDownloadProgress = WM_APP + 2;  // wParam: thousandths done
constexpr UINT kSetupDownloaded = WM_APP + 3;
constexpr int kProgressSteps = 1000;


std::int64_t SecondsSince1970() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    constexpr std::uint64_t kTicksTo1970 = 116444736000000000ull;  // 100 ns steps from 1601 to 1970
    return ticks < kTicksTo1970 ? 0 : static_cast<std::int64_t>((ticks - kTicksTo1970) / 10000000);
}

}  // namespace

namespace u = names::ZPUpdateForm;

UpdaterWindow::UpdaterWindow(UpdaterConfig config, Actions& actions)
    : Form([] {
          FormArgs args;
          args.name = kUpdateFormName;
          args.className = kUpdateFormClass;
          args.clientWidth = 420;
          args.clientHeight = 160;
          args.border = BorderKind::Dialog;
          args.placement = Placement::ScreenCenter;
          return args;
      }()),
      config_(std::move(config)),
      actions_(actions) {
    Panel* panel = Add<Panel>(nullptr, u::UpdatePanel.key);
    panel->bounds = {0, 0, 420, 110};
    panel->color = kWindowColor;
    panel->tabOrder = 1;
    Label* heading = Add<Label>(panel, u::UpdateHeading.key);
    heading->bounds = {20, 20, 0, 0};
    heading->parentFont = false;
    heading->font = Tahoma(8, kBold, kWindowText);
    status_ = Add<Label>(panel, u::UpdateStatus.key);
    status_->bounds = {20, 46, 0, 0};
    progress_ = Add<ProgressBar>(panel, u::UpdateProgress.key);
    progress_->bounds = {20, 72, 380, 17};
    Add<Bevel>(nullptr, u::UpdateBevel.key, BevelShape::TopLine)->bounds = {0, 110, 420, 5};
    cancelButton_ = Add<Button>(nullptr, u::CancelButton.key);
    cancelButton_->bounds = {321, 123, 79, 25};
    cancelButton_->tabOrder = 0;
    cancelButton_->onClick = [this] { Cancel(); };
    defaultButton = cancelButton_;
    quitOnClose = true;
    onShow = [this] {
        PrepareWindow(*this);
        cancelButton_->SetCaption(Caption(names::ZephrinUpdate::CancelButton));
        status_->SetCaption(Caption(names::ZPUpdateForm::UpdateLabel1));
        progress_->SetPosition(0);
    };
}

UpdaterWindow::~UpdaterWindow() {
    cancel_.Cancel();
    worker_.Join();
}

bool UpdaterWindow::Start() {
    Create();
    // Without its window nobody would hear from the worker, nor end the loop.
    if (!Handle()) return false;
    worker_ = Thread([this] { Work(); });
    // Nor would anyone hear from a worker that never started.
    if (!worker_.Joinable()) return false;
    Show();
    return true;
}

// The worker: the manifest, then the setup program. It touches no window;
// it only posts, and the window reads what it left under the lock.
void UpdaterWindow::Work() {
    ReleaseMemory memory;
    memory.highestSerial = static_cast<std::uint32_t>(ReadProgramInteger(value::kReleaseSerial, 0));
    memory.now = SecondsSince1970();
    memory.builtAt = config_.builtAt;
    ReleaseCheck check = CheckRelease(config_.source, kProductVersionAscii, memory, cancel_);
    const Release* release = std::get_if<Release>(&check);
    std::optional<Release> wanted;
    if (release) wanted = *release;
    {
        Locked lock(mutex_);
        check_ = std::move(check);
    }
    PostMessageW(Handle(), kReleaseChecked, 0, 0);
    if (!wanted) return;
    std::optional<HeldFolder> staging = TakeStagingFolder(config_.commonData);
    int shown = -1;
    SetupDownload download = !staging ? SetupDownload(UpdateFailure::NoSpace) : DownloadSetup(
        config_.source, *wanted, std::move(*staging),
        [&](std::uint64_t received, std::uint64_t total) {
            const int step = static_cast<int>(received * kProgressSteps / total);
            if (step != shown) PostMessageW(Handle(), kDownloadProgress, static_cast<WPARAM>(shown = step), 0);
        },
        cancel_);
    {
        Locked lock(mutex_);
        download_ = std::move(download);
    }
    PostMessageW(Handle(), kSetupDownloaded, 0, 0);
}

LRESULT UpdaterWindow::HandleMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kReleaseChecked:
        ReleaseChecked();
        return 0;
    case kDownloadProgress:
        if (!finished_) progress_->SetPosition(static_cast<int>(wp) * 100 / kProgressSteps);
        return 0;
    case kSetupDownloaded:
        SetupDownloaded();
        return 0;
    case WM_CLOSE:
        // Closing the window is a cancel, whatever the worker is doing.
        if (!finished_) {
            Cancel();
            return 0;
        }
        break;
    }
    return Form::HandleMessage(wnd, msg, wp, lp);
}

void UpdaterWindow::ReleaseChecked() {
    std::optional<ReleaseCheck> check;
    {
        Locked lock(mutex_);
        check.swap(check_);
    }
    if (finished_ || !check) return;
    if (const Release* release = std::get_if<Release>(&*check)) {
        release_ = *release;
        status_->SetCaption(Caption(names::ZPUpdateForm::UpdateLabel2));
        return;
    }
    if (const UpToDate* current = std::get_if<UpToDate>(&*check)) {
        RememberSerial(current->serial);
        Tell({Caption(names::ZPUpdateForm::MessageBoxNoUpdate1), Caption(names::ZPUpdateForm::MessageBoxNoUpdate2)},
             MB_OK | MB_ICONINFORMATION);
        return Finish(UpdaterEnd::UpToDate);
    }
    Refuse(std::get<UpdateFailure>(*check));
}

void UpdaterWindow::SetupDownloaded() {
    std::optional<SetupDownload> download;
    {
        Locked lock(mutex_);
        download.swap(download_);
    }
    if (finished_ || !download) return;
    if (auto* failure = std::get_if<UpdateFailure>(&*download)) return Refuse(*failure);
    progress_->SetPosition(100);
    Install(std::move(std::get<StagedSetup>(*download)));
}

void UpdaterWindow::Install(StagedSetup setup) {
    status_->SetCaption(Caption(names::ZPUpdateForm::UpdateLabel3));
    // Past this point the setup program owns the installation; there is nothing left to cancel.
    installing_ = true;
    cancelButton_->SetEnabled(false);
    // Zephrin is closed while the download is still unchecked: whatever its
    // windows do when told to close (or whatever stands in for them) happens
    // before the check, and nothing but our own start comes between the
    // check and the setup program's start.
    CloseRunningProgram();
    if (auto failure = setup.Verify(release_)) {
        setup = StagedSetup();  // gone before the user is told
        return Refuse(*failure);
    }
    UniqueHandle process = setup.Start(L"/S");
    DWORD exitCode = 1;
    if (process) {
        // The window keeps painting while the setup program works.
        HANDLE waitFor = process.get();
        while (MsgWaitForMultipleObjects(1, &waitFor, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
            if (!Application::Instance().ProcessPending()) break;
        if (!GetExitCodeProcess(process.get(), &exitCode) || exitCode == STILL_ACTIVE) exitCode = 1;
    }
    process.reset();
    setup = StagedSetup();
    if (exitCode != 0) {
        Tell({Caption(names::ZPUpdateForm::MessageBoxManualUpdate1), Caption(names::ZPUpdateForm::MessageBoxManualUpdate2)},
             MB_OK | MB_ICONWARNING);
        return Finish(UpdaterEnd::SetupFailed);
    }
    // The setup program sets it too; the next start of Zephrin turns it into the update's date.
    WriteProgramBool(value::kUpdated, true);
    RememberSerial(release_.serial);
    const int answer = Tell({Caption(names::ZPUpdateForm::MessageBoxUpdateRestart1), Caption(names::ZPUpdateForm::MessageBoxUpdateRestart2),
                             Caption(names::ZPUpdateForm::MessageBoxUpdateRestart3)},
                            MB_YESNO | MB_ICONINFORMATION);
    if (answer == IDYES) actions_.startProgram(ProgramFolder() + kProgramFile, L"");
    Finish(UpdaterEnd::Installed);
}

void UpdaterWindow::RememberSerial(std::uint32_t serial) {
    if (serial > static_cast<std::uint32_t>(ReadProgramInteger(value::kReleaseSerial, 0)))
        WriteProgramInteger(value::kReleaseSerial, static_cast<std::int32_t>(serial));
}

void UpdaterWindow::Refuse(UpdateFailure failure) {
    std::vector<std::wstring> text;
    switch (failure) {
    case UpdateFailure::Cancelled: return Finish(UpdaterEnd::Cancelled);
    case UpdateFailure::Unreachable:
        text = {Caption(names::ZPUpdateForm::MessageBoxNoConnection1), Caption(names::ZPUpdateForm::MessageBoxNoConnection2)};
        break;
    case UpdateFailure::NotDownloaded:
        text = {Caption(names::ZephrinUpdate::MessageBoxDownload1), Caption(names::ZPUpdateForm::MessageBoxNoConnection2)};
        break;
    case UpdateFailure::NotTrusted: text = {Caption(names::ZephrinUpdate::MessageBoxVerify1)}; break;
    case UpdateFailure::CannotVerify:
        text = {Caption(names::ZephrinUpdate::MessageBoxNoVerify1), Caption(names::ZPUpdateForm::MessageBoxManualUpdate2)};
        break;
    case UpdateFailure::NoSpace: text = {Caption(names::ZephrinUpdate::MessageBoxNoSpace1)}; break;
    case UpdateFailure::OutOfDate: text = {Caption(names::ZephrinUpdate::MessageBoxOutOfDate1)}; break;
    }
    text.push_back(Caption(names::ZephrinUpdate::MessageBoxNothingInstalled));
    Tell(text, MB_OK | MB_ICONWARNING);
    Finish(UpdaterEnd::Refused);
}

void UpdaterWindow::Cancel() {
    if (finished_ || installing_) return;
    cancel_.Cancel();
    // The worker stops at its next step; what it downloaded goes with it.
    worker_.Join();
    Locked lock(mutex_);
    check_.reset();
    download_.reset();
    Finish(UpdaterEnd::Cancelled);
}

void UpdaterWindow::Finish(UpdaterEnd end) {
    if (finished_) return;
    finished_ = true;
    end_ = end;
    worker_.Join();
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

int UpdaterWindow::Tell(const std::vector<std::wstring>& paragraphs, UINT style) {
    return actions_.messageBox(Handle(), JoinParagraphs(paragraphs), Title(), style);
}

}  // namespace zephrin
