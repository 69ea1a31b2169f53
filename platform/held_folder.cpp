#include "platform/held_folder.h"

#include <aclapi.h>
#include <sddl.h>
#include <wincrypt.h>

#include "platform/crypto.h"
#include "platform/privileges.h"

namespace zephrin {
namespace {

class LocalDescriptor {
public:
    explicit LocalDescriptor(const wchar_t* sddl) {
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor_, nullptr))
            descriptor_ = nullptr;
    }
    ~LocalDescriptor() { LocalFree(descriptor_); }
    LocalDescriptor(const LocalDescriptor&) = delete;
    LocalDescriptor& operator=(const LocalDescriptor&) = delete;
    PSECURITY_DESCRIPTOR get() const { return descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// Opened without delete sharing, the folder cannot be renamed or removed
// while we hold it; the link itself is opened, never where it points.
UniqueHandle OpenFolder(const std::wstring& path, DWORD access) {
    HANDLE h = CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return UniqueHandle();
    UniqueHandle folder(h);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return UniqueHandle();
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return UniqueHandle();
    return folder;
}

// Owner and protected list as kAdminOnlyAccess says, on a folder someone else may have made first.
bool MakeAdminOnly(HANDLE folder, const LocalDescriptor& access) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    if (!GetSecurityDescriptorOwner(access.get(), &owner, &defaulted) || !owner) return false;
    if (!GetSecurityDescriptorDacl(access.get(), &present, &dacl, &defaulted) || !present || !dacl) return false;
    return SetSecurityInfo(folder, SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                               PROTECTED_DACL_SECURITY_INFORMATION,
                           owner, nullptr, dacl, nullptr) == ERROR_SUCCESS;
}

// Made by us, or an existing plain folder that is then made ours; held open.
UniqueHandle TakeLevel(const std::wstring& path, bool mustBeNew) {
    LocalDescriptor access(kAdminOnlyAccess);
    if (!access.get()) return UniqueHandle();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, access.get(), FALSE};
    const bool made = CreateDirectoryW(path.c_str(), &attributes) != FALSE;
    if (!made && (mustBeNew || GetLastError() != ERROR_ALREADY_EXISTS)) return UniqueHandle();
    UniqueHandle folder = OpenFolder(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER);
    if (!folder && !made && GetLastError() == ERROR_ACCESS_DENIED) {
        // A level someone else made first, with a list that leaves administrators out: the
        // restore privilege opens it for a new owner and list whatever its list says.
        EnabledPrivileges privileges({SE_TAKE_OWNERSHIP_NAME, SE_RESTORE_NAME});
        folder = OpenFolder(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER);
    }
    if (folder && !made && !MakeAdminOnly(folder.get(), access)) return UniqueHandle();
    return folder;
}

bool OnLocalFixedDisk(const std::wstring& path) {
    if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return false;  // no share, no device path
    const wchar_t drive[] = {path[0], L':', L'\\', 0};
    return GetDriveTypeW(drive) == DRIVE_FIXED;
}

std::wstring WithSeparator(std::wstring path) {
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path;
}

}  // namespace

std::optional<HeldFolder> HeldFolder::Take(const std::wstring& root, const std::vector<std::wstring>& levels) {
    if (!OnLocalFixedDisk(root)) return std::nullopt;
    HeldFolder held;
    held.path_ = WithSeparator(root);
    UniqueHandle top = OpenFolder(held.path_, 0);
    if (!top) return std::nullopt;
    held.held_.push_back(std::move(top));
    for (const auto& level : levels) {
        if (level.empty() || level.find_first_of(L"\\/:") != std::wstring::npos) return std::nullopt;
        const std::wstring path = held.path_ + level;
        UniqueHandle folder = TakeLevel(path, false);
        if (!folder) return std::nullopt;
        held.path_ = path + L"\\";
        held.held_.push_back(std::move(folder));
    }
    return held;
}

bool HeldFolder::AddNewLevel(const std::wstring& prefix) {
    if (held_.empty()) return false;
    // A name someone made first is skipped, never used, and the random part
    // cannot be guessed ahead: a folder made in advance blocks nothing.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::wstring name = RandomHex(8);
        if (name.empty()) return false;
        const std::wstring path = path_ + prefix + name;
        if (UniqueHandle folder = TakeLevel(path, true)) {
            path_ = path + L"\\";
            held_.push_back(std::move(folder));
            ++added_;
            return true;
        }
    }
    return false;
}

void HeldFolder::RemoveAddedLevels() {
    for (; added_ > 0 && held_.size() > 1; --added_) {  // the root is never ours to remove
        held_.pop_back();
        const std::wstring path = path_.substr(0, path_.size() - 1);
        DeleteThroughHandle(path, true);
        path_ = path.substr(0, path.find_last_of(L'\\') + 1);
    }
}

bool DeleteThroughHandle(const std::wstring& path, bool folder) {
    const DWORD flags = FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    HANDLE h = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    return CloseHandle(h) != FALSE;
}

std::wstring RandomHex(unsigned bytes) {
    // The full provider, since the generator is the same in all of them and this one is on every Windows.
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        return {};
    std::vector<BYTE> random(bytes);
    const bool got = CryptGenRandom(provider, bytes, random.data()) != FALSE;
    CryptReleaseContext(provider, 0);
    if (!got) return {};
    const std::string hex = LowerHex(random.data(), random.size());
    return std::wstring(hex.begin(), hex.end());
}

}  // namespace zephrin
