#include "platform/files.h"

#include <windows.h>

#include <vector>

#include "platform/handles.h"
#include "platform/held_folder.h"
#include "platform/system_library.h"

namespace zephrin {

std::string ReadNativeSystemFile(const wchar_t* file, size_t limit) {
    const std::wstring path = SystemFilePath(file);
    if (path.empty()) return {};
    // XP x64 and Server 2003 SP1 on; missing where there is no 32-bit layer.
    using DisableFn = BOOL WINAPI(PVOID*);
    using RevertFn = BOOL WINAPI(PVOID);
    auto* disable = SystemFunction<DisableFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
    auto* revert = SystemFunction<RevertFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
    PVOID old = nullptr;
    const bool redirectionOff = disable && revert && disable(&old);
    UniqueHandle handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (redirectionOff) revert(old);
    if (!handle || handle.get() == INVALID_HANDLE_VALUE) return {};
    DWORD high = 0;
    const DWORD low = GetFileSize(handle.get(), &high);
    if (low == INVALID_FILE_SIZE || high != 0 || low > limit) return {};
    std::string bytes(low, '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        return {};
    return bytes;
}

// The file is written elevated into a folder that its user controls, where a
// program of that user may have planted links: a junction on the way, or a
// link or hard link under the names we use. So nothing is opened by name but
// the folder's root. Each level below it is opened as itself, relative to the
// level above, and refused when it is a link; what is then done is done
// through the held handles, so a level renamed or swapped afterwards changes
// nothing. The new file gets a random name and is made relative to the held
// folder, never over something that exists; it is renamed into place and, on
// failure, deleted through its own handle. The native calls are those of
// every Windows from 2000 on; the Win32 ones that take a handle (by-handle
// renames) came only with Vista.
namespace {

constexpr ULONG kObjCaseInsensitive = 0x40;
constexpr ULONG kFileOpen = 1, kFileCreate = 2;
constexpr ULONG kFileDirectoryFile = 0x1, kFileSynchronousIoNonalert = 0x20, kFileNonDirectoryFile = 0x40,
                kFileOpenReparsePoint = 0x200000, kFileOpenForBackupIntent = 0x4000;
constexpr int kFileRenameInformation = 10, kFileDispositionInformation = 13;

struct NativeString {
    USHORT length;
    USHORT maximumLength;
    PWSTR buffer;
};
struct NativeObjectAttributes {
    ULONG length;
    HANDLE rootDirectory;
    NativeString* objectName;
    ULONG attributes;
    PVOID securityDescriptor;
    PVOID securityQualityOfService;
};
struct NativeStatusBlock {
    union {
        LONG status;
        PVOID pointer;
    };
    ULONG_PTR information;
};
using CreateFileFn = LONG NTAPI(PHANDLE, ACCESS_MASK, NativeObjectAttributes*, NativeStatusBlock*, PLARGE_INTEGER,
                                ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using SetInformationFn = LONG NTAPI(HANDLE, NativeStatusBlock*, PVOID, ULONG, int);

// Opens or makes `name` inside the folder `parent` holds, never following a link; null on failure.
UniqueHandle OpenBelow(HANDLE parent, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                       ULONG options) {
    auto* create = SystemFunction<CreateFileFn>(L"ntdll.dll", "NtCreateFile");
    if (!create || name.empty() || name.size() > 32767) return UniqueHandle();
    std::wstring buffer = name;
    NativeString text{static_cast<USHORT>(buffer.size() * sizeof(wchar_t)),
                      static_cast<USHORT>(buffer.size() * sizeof(wchar_t)), buffer.data()};
    NativeObjectAttributes attributes{sizeof attributes, parent, &text, kObjCaseInsensitive, nullptr, nullptr};
    NativeStatusBlock status{};
    HANDLE h = nullptr;
    const LONG result = create(&h, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                               disposition, options | kFileOpenReparsePoint | kFileSynchronousIoNonalert, nullptr, 0);
    return UniqueHandle(result >= 0 ? h : nullptr);
}

bool IsPlainFolder(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The root of a full path ("C:\" or "\\server\share\") and the names of the levels below it.
bool SplitFullPath(const std::wstring& full, std::wstring& root, std::vector<std::wstring>& levels) {
    std::wstring path = full;
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) path = L"\\\\" + path.substr(8);
    else if (path.compare(0, 4, L"\\\\?\\") == 0) path = path.substr(4);
    size_t at = 0;
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') {
        at = 3;
    } else if (path.compare(0, 2, L"\\\\") == 0) {
        const size_t server = path.find(L'\\', 2);
        const size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
        if (server == std::wstring::npos || share == std::wstring::npos || server == 2 || share == server + 1)
            return false;
        at = share + 1;
    } else {
        return false;
    }
    root = path.substr(0, at);
    levels.clear();
    for (size_t next; at < path.size(); at = next + 1) {
        next = path.find(L'\\', at);
        if (next == std::wstring::npos) next = path.size();
        if (next == at) return false;
        levels.push_back(path.substr(at, next - at));
    }
    return true;
}

bool SetInformation(HANDLE file, void* information, ULONG size, int kind) {
    auto* set = SystemFunction<SetInformationFn>(L"ntdll.dll", "NtSetInformationFile");
    NativeStatusBlock status{};
    return set && set(file, &status, information, size, kind) >= 0;
}

bool RenameInto(HANDLE file, HANDLE folder, const std::wstring& name) {
    // FILE_RENAME_INFORMATION: replace flag, the folder the name is relative to, the name's length and the name.
    struct Head {
        BOOLEAN replaceIfExists;
        HANDLE rootDirectory;
        ULONG fileNameLength;
    };
    const size_t nameOffset = (sizeof(Head) + sizeof(wchar_t) - 1) / sizeof(wchar_t) * sizeof(wchar_t);
    std::vector<BYTE> block(nameOffset + (name.size() + 1) * sizeof(wchar_t), 0);
    auto* head = reinterpret_cast<Head*>(block.data());
    head->replaceIfExists = TRUE;
    head->rootDirectory = folder;
    head->fileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), reinterpret_cast<wchar_t*>(block.data() + nameOffset));
    return SetInformation(file, block.data(), static_cast<ULONG>(block.size()), kFileRenameInformation);
}

bool DeleteThrough(HANDLE file) {
    BOOLEAN deleteFile = TRUE;
    return SetInformation(file, &deleteFile, sizeof deleteFile, kFileDispositionInformation);
}

}  // namespace

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return false;
    std::vector<wchar_t> fullBuffer(needed + 1);
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(fullBuffer.size()), fullBuffer.data(), nullptr);
    if (length == 0 || length >= fullBuffer.size()) return false;
    std::wstring root;
    std::vector<std::wstring> levels;
    if (!SplitFullPath(std::wstring(fullBuffer.data(), length), root, levels) || levels.empty()) return false;
    const std::wstring name = levels.back();
    levels.pop_back();

    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    std::vector<UniqueHandle> held;
    HANDLE top = CreateFileW(root.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (top == INVALID_HANDLE_VALUE) return false;
    held.emplace_back(top);
    for (const std::wstring& level : levels) {
        UniqueHandle folder = OpenBelow(held.back().get(), level, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                        kShareAll, kFileOpen, kFileDirectoryFile | kFileOpenForBackupIntent);
        if (!folder || !IsPlainFolder(folder.get())) return false;
        held.push_back(std::move(folder));
    }
    HANDLE folder = held.back().get();

    UniqueHandle file;
    for (int attempt = 0; attempt < 8 && !file; ++attempt) {
        const std::wstring random = RandomHex(8);
        if (random.empty()) return false;
        file = OpenBelow(folder, L"~zephrin-" + random + L".partial", GENERIC_WRITE | DELETE, 0, kFileCreate,
                         kFileNonDirectoryFile);
    }
    if (!file) return false;
    DWORD written = 0;
    bool ok = bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                                written == bytes.size());
    ok = FlushFileBuffers(file.get()) && ok;
    // Renamed over what the name held: a link there is what is replaced, never what it points to.
    ok = ok && RenameInto(file.get(), folder, name);
    if (!ok) DeleteThrough(file.get());
    return ok;
}

}  // namespace zephrin
