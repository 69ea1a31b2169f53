#pragma once
// The updater's work without its window: find the newest release through
// the signed manifest, then fetch its setup program into a temporary file
// and prove it is the one the manifest names. Every step either hands on
// something verified or says why not; nothing unverified is ever kept.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "features/release.h"
#include "features/release_fetch.h"
#include "platform/handles.h"
#include "platform/held_folder.h"

namespace zephrin {

enum class UpdateFailure {
    Unreachable,     // no connection to the server
    NotDownloaded,   // the server answered, but not with the whole file
    NotTrusted,      // a signature, size or hash that does not match
    CannotVerify,    // this system cannot check signatures; nothing is trusted
    OutOfDate,       // a signed manifest past its expiry, or older than one acted on before
    NoSpace,         // the temporary file could not be written
    Cancelled,
};

struct ReleaseSource {
    std::string host;
    unsigned short port = 80;
    std::vector<std::string_view> publicKeys;  // PEM; a manifest signed by any of them is the maker's
    std::chrono::milliseconds deadline{30000};  // connect, idle and the manifest's whole exchange
};

// What the updater knows besides the manifest, to tell a fresh one from a stale one.
struct ReleaseMemory {
    std::uint32_t highestSerial = 0;  // of the manifests acted on before; 0 for none
    std::int64_t now = 0;             // this computer's clock, seconds since 1970 UTC
    std::int64_t builtAt = 0;         // when this updater was built, likewise
};

struct UpToDate {
    std::uint32_t serial = 0;  // of the manifest that said so
};
using ReleaseCheck = std::variant<Release, UpToDate, UpdateFailure>;

// Asks for the manifest and checks its signature before reading anything in
// it, then whether it is fresh (see JudgeFreshness).
ReleaseCheck CheckRelease(const ReleaseSource& source, std::string_view runningVersion, const ReleaseMemory& memory,
                          FetchCancel& cancel);

// Where downloads are staged: a folder in the system's common data folder
// that only administrators can change, at every level (see HeldFolder).
// Nullopt when it cannot be made so.
std::optional<HeldFolder> TakeStagingFolder(const std::wstring& commonData);
inline constexpr const wchar_t* kStagingLevels[] = {L"ORVANE", L"Zephrin", L"Updates"};
// Where an update is staged when those levels cannot be made ours: a new folder right below the common data folder.
inline constexpr wchar_t kStagingFallbackPrefix[] = L"ZephrinUpdates-";

// A setup program in a download folder of its own: first written, then
// checked against the signed manifest, then started. While it exists nobody
// else can change the file or its folders; the file and its folder go with it.
class StagedSetup {
public:
    StagedSetup() = default;
    StagedSetup(HeldFolder folder, std::wstring path, UniqueHandle file)
        : folder_(std::move(folder)), path_(std::move(path)), file_(std::move(file)) {}
    StagedSetup(StagedSetup&& other) noexcept = default;
    StagedSetup& operator=(StagedSetup&& other) noexcept;
    ~StagedSetup();

    HANDLE file() const { return file_.get(); }

    // Lets the written file go and opens it again for reading only, with
    // nobody else allowed to write or delete it, then checks its size and
    // hash through that handle. Nullopt when it is the release's setup program.
    std::optional<UpdateFailure> Verify(const Release& release);
    // Starts the verified file with `parameters`: what runs is what was checked.
    // Its process handle, or an empty one when it did not start.
    UniqueHandle Start(const std::wstring& parameters) const;

private:
    void Clear();
    HeldFolder folder_;
    std::wstring path_;
    UniqueHandle file_;
    bool verified_ = false;
};

using DownloadProgress = std::function<void(std::uint64_t received, std::uint64_t total)>;
using SetupDownload = std::variant<StagedSetup, UpdateFailure>;

// Downloads the release's setup program into a new folder inside `staging`.
// What it hands on is written, not yet verified, and held by us alone.
SetupDownload DownloadSetup(const ReleaseSource& source, const Release& release, HeldFolder staging,
                            const DownloadProgress& progress, FetchCancel& cancel);

// Each download gets a folder of its own, named so that a leftover could be
// recognised, with the setup program inside.
inline constexpr wchar_t kDownloadFolderPrefix[] = L"ZephrinUpdate-";
inline constexpr wchar_t kSetupDownloadName[] = L"ZephrinSetup.exe";

}  // namespace zephrin
