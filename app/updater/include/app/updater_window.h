#pragma once
// ZephrinUpdate.exe's one window: a status line, a progress bar and Cancel.
// The network work runs on a thread of its own; the window only hears how
// far it got, and every decision the user sees is made here.
#include <memory>
#include <optional>
#include <variant>

#include "app/actions.h"
#include "features/release_update.h"
#include "ui/toolkit.h"
#include "platform/threads.h"

namespace zephrin {

// What the updater was built to trust and where it asks.
struct UpdaterConfig {
    ReleaseSource source;
    std::wstring commonData;  // the system's data folder for all users, where downloads are staged
    std::int64_t builtAt = 0;  // when this updater was built, seconds since 1970 UTC
};

// How a run ended, as the user was told.
enum class UpdaterEnd { Installed, UpToDate, SetupFailed, Refused, Cancelled };

class UpdaterWindow : public ui::Form {
public:
    UpdaterWindow(UpdaterConfig config, Actions& actions);
    ~UpdaterWindow() override;

    // Shows the window and starts the work; the message loop does the rest.
    // False when the window could not be made: nothing was started.
    bool Start();
    UpdaterEnd end() const { return end_; }

    ui::Label* status() const { return status_; }
    ui::ProgressBar* progressBar() const { return progress_; }

protected:
    LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Work();
    void ReleaseChecked();
    void SetupDownloaded();
    void Install(StagedSetup setup);
    // The manifest with this serial was acted on: none with a lower one will be.
    static void RememberSerial(std::uint32_t serial);
    void Refuse(UpdateFailure failure);
    void Cancel();
    void Finish(UpdaterEnd end);
    int Tell(const std::vector<std::wstring>& paragraphs, UINT style);

    UpdaterConfig config_;
    Actions& actions_;  // the program's, outliving the window
    ui::Label* status_ = nullptr;
    ui::ProgressBar* progress_ = nullptr;
    ui::Button* cancelButton_ = nullptr;
    FetchCancel cancel_;
    Thread worker_;
    Mutex mutex_;  // guards what the worker hands over
    std::optional<ReleaseCheck> check_;
    std::optional<SetupDownload> download_;
    Release release_;  // the one being downloaded, as the signed manifest names it
    UpdaterEnd end_ = UpdaterEnd::Cancelled;
    bool finished_ = false;
    bool installing_ = false;
};

}  // namespace zephrin
