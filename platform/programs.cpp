#include "platform/programs.h"

#include <vector>

#include "platform/system_library.h"

namespace zephrin {
namespace {

UniqueHandle Start(const std::wstring& file, const std::wstring& parameters, DWORD flags, HANDLE* thread) {
    std::wstring commandLine = L"\"" + file + L"\"";
    if (!parameters.empty()) commandLine += L" " + parameters;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(file.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                        &process))
        return UniqueHandle();
    if (thread)
        *thread = process.hThread;
    else
        CloseHandle(process.hThread);
    return UniqueHandle(process.hProcess);
}

std::wstring WithoutLongPrefix(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\" + path.substr(7);
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
    return path;
}

}  // namespace

UniqueHandle StartProgram(const std::wstring& file, const std::wstring& parameters) {
    return Start(file, parameters, 0, nullptr);
}

bool SamePathName(const std::wstring& a, const std::wstring& b) {
    const std::wstring x = WithoutLongPrefix(a), y = WithoutLongPrefix(b);
    return !x.empty() && lstrcmpiW(x.c_str(), y.c_str()) == 0;
}

UniqueHandle StartVerifiedProgram(HANDLE verified, const std::wstring& file, const std::wstring& parameters) {
    auto finalPath = SystemFunction<DWORD WINAPI(HANDLE, LPWSTR, DWORD, DWORD)>(L"kernel32.dll",
                                                                              "GetFinalPathNameByHandleW");
    auto imageName = SystemFunction<BOOL WINAPI(HANDLE, DWORD, LPWSTR, PDWORD)>(L"kernel32.dll",
                                                                              "QueryFullProcessImageNameW");
    if (!finalPath || !imageName) return Start(file, parameters, 0, nullptr);

    HANDLE thread = nullptr;
    UniqueHandle process = Start(file, parameters, CREATE_SUSPENDED, &thread);
    if (!process) return process;
    UniqueHandle threadHandle(thread);
    constexpr DWORD kLongest = 32768;
    std::vector<wchar_t> held(kLongest), running(kLongest);
    const DWORD heldLength = finalPath(verified, held.data(), kLongest, 0);  // normalized, with its drive letter
    DWORD runningLength = kLongest;
    const bool named = imageName(process.get(), 0, running.data(), &runningLength) != FALSE;
    if (heldLength == 0 || heldLength >= kLongest || !named ||
        !SamePathName(std::wstring(held.data(), heldLength), std::wstring(running.data(), runningLength))) {
        TerminateProcess(process.get(), 1);
        return UniqueHandle();
    }
    if (ResumeThread(thread) == static_cast<DWORD>(-1)) {
        TerminateProcess(process.get(), 1);
        return UniqueHandle();
    }
    return process;
}

}  // namespace zephrin
