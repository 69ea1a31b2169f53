#include "features/release_update.h"

#include <sddl.h>

#include <array>

#include "platform/crypto.h"

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

// A folder of its own for each download, that only administrators and the
// system may change: the setup program runs elevated from there, so nothing
// a user's program could drop beside it (a DLL it might load) may get in.
std::wstring NewPrivateFolder(const std::wstring& parent) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kDownloadFolderAccess, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return {};
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    std::wstring made;
    for (unsigned attempt = 0; attempt < 16 && made.empty(); ++attempt) {
        const std::wstring path = parent + kDownloadFolderPrefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt) + L"\\";
        if (CreateDirectoryW(path.c_str(), &attributes)) made = path;
    }
    LocalFree(descriptor);
    return made;
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

ReleaseCheck CheckRelease(const ReleaseSource& source, std::string_view runningVersion, FetchCancel& cancel) {
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
    switch (VerifyRsaSha256(source.publicKeyPem, split->signedPart, split->signature)) {
    case SignatureCheck::Valid: break;
    case SignatureCheck::Invalid: return UpdateFailure::NotTrusted;
    case SignatureCheck::Unavailable: return UpdateFailure::CannotVerify;
    }
    const auto release = ParseRelease(split->signedPart);
    if (!release) return UpdateFailure::NotTrusted;
    const auto order = CompareVersions(release->version, runningVersion);
    if (!order) return UpdateFailure::NotTrusted;
    if (*order <= 0) return UpToDate{};
    return *release;
}

VerifiedSetup& VerifiedSetup::operator=(VerifiedSetup&& other) noexcept {
    if (this != &other) {
        Clear();
        path_ = std::exchange(other.path_, std::wstring());
        folder_ = std::exchange(other.folder_, std::wstring());
        reader_ = std::move(other.reader_);
    }
    return *this;
}

VerifiedSetup::~VerifiedSetup() { Clear(); }

void VerifiedSetup::Clear() {
    reader_.reset();
    if (!path_.empty()) DeleteFileW(path_.c_str());
    if (!folder_.empty()) RemoveDirectoryW(folder_.c_str());
    path_.clear();
    folder_.clear();
}

SetupDownload DownloadSetup(const ReleaseSource& source, const Release& release, const std::wstring& folder,
                            const DownloadProgress& progress, FetchCancel& cancel) {
    const std::wstring privateFolder = NewPrivateFolder(folder);
    if (privateFolder.empty()) return UpdateFailure::NoSpace;
    // The file is ours alone from its creation; nobody else may even read it half written.
    const std::wstring path = privateFolder + kSetupDownloadName;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        RemoveDirectoryW(privateFolder.c_str());
        return UpdateFailure::NoSpace;
    }
    VerifiedSetup file(path, UniqueHandle(h), privateFolder);
    if (!file.file()) return UpdateFailure::NoSpace;

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

    // Read back through a handle that lets others read (the system, to start
    // it) but not write, and keep that handle until the file is deleted: the
    // bytes checked are the bytes that run.
    file.Reopen(UniqueHandle());
    HANDLE reader = CreateFileW(file.path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (reader == INVALID_HANDLE_VALUE) return UpdateFailure::NoSpace;
    file.Reopen(UniqueHandle(reader));
    if (cancel.cancelled()) return UpdateFailure::Cancelled;
    if (!MatchesRelease(reader, release)) return UpdateFailure::NotTrusted;
    return file;
}

}  // namespace zephrin
