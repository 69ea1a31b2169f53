#include "platform/files.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/shell.h"

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

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    // Written beside it first: a file that is being replaced stays whole until the new one is.
    const std::wstring partial = path + L".partial";
    HANDLE h = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    UniqueHandle file(h);
    DWORD written = 0;
    bool ok = bytes.empty() || (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                                written == bytes.size());
    ok = FlushFileBuffers(h) && ok;
    file.reset();
    ok = ok && MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileW(partial.c_str());
    return ok;
}

}  // namespace zephrin
