#include "features/release_update.h"

#include <array>

#include "platform/crypto.h"
#include "platform/programs.h"

namespace zephrin {
namespace {

UpdateFailure FailureOf(FetchResult r) {
    switch (r) {
    case FetchResult::Unreachable: return UpdateFailure::Unreachable;
    case FetchResult::Cancelled: return UpdateFailure::Cancelled;
    case FetchResult::SinkFailed: return UpdateFailure::NoSpace;
    // A file of the wrong length can only be a wrong file.
    case FetchResult::TooLong:
    case FetchResult::TooShort: return UpdateFailure::NotTrusted;
    default: return UpdateFailure::NotDownloaded;
    }
}

// Size and SHA-256 of what is on disk now, read through the handle that keeps writers out.
bool MatchesRelease(HANDLE file, const Release& release) {
    DWORD high = 0;
    SetLastError(NO_ERROR);  // a size whose low half reads as INVALID_FILE_SIZE is told apart by the error
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    if ((static_cast<std::uint64_t>(high) << 32 | low) != release.size) return false;
    Sha256 hash;
    if (!hash.Ready()) return false;
    std::array<char, 65536> buffer{};
    std::uint64_t total = 0;
    DWORD got = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
        total += got;
        if (!hash.Add(buffer.data(), got)) return false;
    }
    const auto hex = hash.FinishHex();
    return total == release.size && hex && *hex == release.sha256;
}

}  // namespace

ReleaseCheck CheckRelease(const ReleaseSource& source, std::string_view runningVersion, const ReleaseMemory& memory,
                          FetchCancel& cancel) {
    std::string manifest;
    FetchLimits limits;
    limits.connect = limits.idle = limits.total = source.deadline;
    limits.maxBytes = kMaxManifestBytes;
    const FetchResult got = Fetch({source.host, source.port, kReleaseManifestTarget}, limits,
                                  [&](const char* data, std::size_t size) {
                                      manifest.append(data, size);
                                      return true;
                                  },
                                  cancel);
    if (got != FetchResult::Done) return got == FetchResult::TooLong ? UpdateFailure::NotDownloaded : FailureOf(got);
    const auto split = SplitSignature(manifest);
    if (!split) return UpdateFailure::NotTrusted;
    // Any trusted key will do; a system that could check none of them cannot say "not trusted".
    SignatureCheck verdict = SignatureCheck::Invalid;
    for (std::string_view key : source.publicKeys) {
        const SignatureCheck check = VerifyRsaSha256(key, split->signedPart, split->signature);
        if (check == SignatureCheck::Valid || (check == SignatureCheck::Unavailable && verdict == SignatureCheck::Invalid))
            verdict = check;
        if (verdict == SignatureCheck::Valid) break;
    }
    if (verdict == SignatureCheck::Unavailable) return UpdateFailure::CannotVerify;
    if (verdict != SignatureCheck::Valid) return UpdateFailure::NotTrusted;
    const auto release = ParseRelease(split->signedPart);
    if (!release) return UpdateFailure::NotTrusted;
    if (JudgeFreshness(*release, memory.now, memory.builtAt, memory.highestSerial) != Freshness::Fresh)
        return UpdateFailure::OutOfDate;
    const auto order = CompareVersions(release->version, runningVersion);
    if (!order) return UpdateFailure::NotTrusted;
    if (*order <= 0) return UpToDate{release->serial};
    return *release;
}

std::optional<HeldFolder> TakeStagingFolder(const std::wstring& commonData) {
    if (commonData.empty()) return std::nullopt;
    if (auto held = HeldFolder::Take(commonData, std::vector<std::wstring>(std::begin(kStagingLevels), std::end(kStagingLevels))))
        return held;
    // A level that cannot be made ours, a file put in a folder's place say, must
    // not stop every update: this one is staged in a new folder of our own,
    // under a name nobody can guess, which goes with the download.
    auto root = HeldFolder::Take(commonData, {});
    if (!root || !root->AddNewLevel(kStagingFallbackPrefix)) return std::nullopt;
    return root;
}

StagedSetup& StagedSetup::operator=(StagedSetup&& other) noexcept {
    if (this != &other) {
        Clear();
        folder_ = std::move(other.folder_);
        path_ = std::exchange(other.path_, std::wstring());
        file_ = std::move(other.file_);
        verified_ = std::exchange(other.verified_, false);
    }
    return *this;
}

StagedSetup::~StagedSetup() { Clear(); }

void StagedSetup::Clear() {
    file_.reset();
    if (!path_.empty()) DeleteThroughHandle(path_);
    if (!folder_.empty()) folder_.RemoveAddedLevels();
    folder_ = HeldFolder();
    path_.clear();
    verified_ = false;
}

std::optional<UpdateFailure> StagedSetup::Verify(const Release& release) {
    if (!file_) return UpdateFailure::NoSpace;
    // Only the writer's handle was open until now. The reader lets others
    // read (the system, to start it) but neither write nor delete, and stays
    // open until the file goes: the bytes checked are the bytes that run.
    file_.reset();
    HANDLE reader = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (reader == INVALID_HANDLE_VALUE) return UpdateFailure::NotTrusted;
    file_.reset(reader);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(reader, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return UpdateFailure::NotTrusted;
    if (!MatchesRelease(reader, release)) return UpdateFailure::NotTrusted;
    verified_ = true;
    return std::nullopt;
}

UniqueHandle StagedSetup::Start(const std::wstring& parameters) const {
    if (!verified_) return UniqueHandle();
    return StartVerifiedProgram(file_.get(), path_, parameters);
}

SetupDownload DownloadSetup(const ReleaseSource& source, const Release& release, HeldFolder staging,
                            const DownloadProgress& progress, FetchCancel& cancel) {
    if (!staging.AddNewLevel(kDownloadFolderPrefix)) return UpdateFailure::NoSpace;
    // The file is ours alone from its creation; nobody else may even read it half written.
    const std::wstring path = staging.path() + kSetupDownloadName;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        staging.RemoveAddedLevels();
        return UpdateFailure::NoSpace;
    }
    StagedSetup file(std::move(staging), path, UniqueHandle(h));

    FetchLimits limits;
    limits.connect = limits.idle = source.deadline;
    limits.total = DownloadAllowance(release.size, source.deadline);
    limits.maxBytes = release.size;
    limits.exact = true;
    std::uint64_t received = 0;
    const FetchResult got = Fetch({source.host, source.port, release.setupPath}, limits,
                                  [&](const char* data, std::size_t size) {
                                      DWORD written = 0;
                                      if (!WriteFile(file.file(), data, static_cast<DWORD>(size), &written, nullptr) ||
                                          written != size)
                                          return false;
                                      received += size;
                                      if (progress) progress(received, release.size);
                                      return true;
                                  },
                                  cancel);
    if (got != FetchResult::Done) return FailureOf(got);
    if (!FlushFileBuffers(file.file())) return UpdateFailure::NoSpace;
    if (cancel.cancelled()) return UpdateFailure::Cancelled;
    return file;
}

}  // namespace zephrin
