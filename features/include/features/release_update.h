#pragma once
// The updater's work without its window: find the newest release through
// the signed manifest, then fetch its setup program into a temporary file
// and prove it is the one the manifest names. Every step either hands on
// something verified or says why not; nothing unverified is ever kept.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "features/release.h"
#include "features/release_fetch.h"
#include "platform/handles.h"

namespace zephrin {

enum class UpdateFailure {
    Unreachable,     // no connection to the server
    NotDownloaded,   // the server answered, but not with the whole file
    NotTrusted,      // a signature, size or hash that does not match
    CannotVerify,    // this system cannot check signatures; nothing is trusted
    NoSpace,         // the temporary file could not be written
    Cancelled,
};

struct ReleaseSource {
    std::string host;
    unsigned short port = 80;
    std::string_view publicKeyPem;
    std::chrono::milliseconds deadline{30000};  // connect, idle and the manifest's whole exchange
};

struct UpToDate {};
using ReleaseCheck = std::variant<Release, UpToDate, UpdateFailure>;

// Asks for the manifest and checks its signature before reading anything in it.
ReleaseCheck CheckRelease(const ReleaseSource& source, std::string_view runningVersion, FetchCancel& cancel);

// A setup program on disk, first while it downloads, then once its bytes
// match the signed manifest. While it exists nobody else can change the
// file, and it is deleted when this goes.
class VerifiedSetup {
public:
    VerifiedSetup() = default;
    VerifiedSetup(std::wstring path, UniqueHandle file, std::wstring folder)
        : path_(std::move(path)), folder_(std::move(folder)), reader_(std::move(file)) {}
    VerifiedSetup(VerifiedSetup&& other) noexcept
        : path_(std::exchange(other.path_, std::wstring())),
          folder_(std::exchange(other.folder_, std::wstring())),
          reader_(std::move(other.reader_)) {}
    VerifiedSetup& operator=(VerifiedSetup&& other) noexcept;
    ~VerifiedSetup();
    const std::wstring& path() const { return path_; }
    HANDLE file() const { return reader_.get(); }
    // Changes how the file is held open; the old handle closes first.
    void Reopen(UniqueHandle handle) { reader_ = std::move(handle); }

private:
    void Clear();
    std::wstring path_;
    std::wstring folder_;  // the private folder it lies in, removed with it
    UniqueHandle reader_;
};

using DownloadProgress = std::function<void(std::uint64_t received, std::uint64_t total)>;
using SetupDownload = std::variant<VerifiedSetup, UpdateFailure>;

// Downloads the release's setup program into `folder` and checks its size and hash.
SetupDownload DownloadSetup(const ReleaseSource& source, const Release& release, const std::wstring& folder,
                            const DownloadProgress& progress, FetchCancel& cancel);

// Each download gets a folder of its own in the temporary folder, named so
// that a leftover could be recognised, with the setup program inside.
inline constexpr wchar_t kDownloadFolderPrefix[] = L"ZephrinUpdate-";
inline constexpr wchar_t kSetupDownloadName[] = L"ZephrinSetup.exe";
// Who may use that folder: administrators and the system, and no one else.
inline constexpr wchar_t kDownloadFolderAccess[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

}  // namespace zephrin
