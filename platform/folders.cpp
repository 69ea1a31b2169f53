#include "platform/folders.h"

#include <shlobj.h>

#include <vector>

#include "platform/system_library.h"

namespace zephrin {

std::wstring CommonDataFolder() {
    std::wstring folder;
    // The known folder where the system has it (Vista on), else the shell's
    // folder number for it (2000 and XP); both read the system's own record.
    auto known = SystemFunction<HRESULT WINAPI(const GUID&, DWORD, HANDLE, PWSTR*)>(L"shell32.dll",
                                                                                   "SHGetKnownFolderPath");
    auto release = SystemFunction<decltype(CoTaskMemFree)>(L"ole32.dll", "CoTaskMemFree");
    if (known && release) {
        constexpr GUID kProgramData = {0x62AB5D82, 0xFDC1, 0x4DC3, {0xA9, 0xDD, 0x07, 0x0D, 0x1D, 0x49, 0x5D, 0x97}};
        PWSTR path = nullptr;
        if (SUCCEEDED(known(kProgramData, 0, nullptr, &path)) && path) folder = path;
        release(path);
    } else {
        constexpr int kCommonAppData = 0x0023;  // CSIDL_COMMON_APPDATA
        std::vector<wchar_t> path(MAX_PATH + 1);
        if (auto byNumber = SystemFunction<decltype(SHGetFolderPathW)>(L"shell32.dll", "SHGetFolderPathW"))
            if (byNumber(nullptr, kCommonAppData, nullptr, 0, path.data()) == S_OK) folder = path.data();
    }
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            std::wstring full(path.data(), n);
            const size_t slash = full.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace zephrin
