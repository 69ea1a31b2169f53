#include "platform/shell.h"

#include <mmsystem.h>
#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "platform/desktop_user.h"

#ifndef ZEPHRIN_WEB_HOST
#define ZEPHRIN_WEB_HOST "www.zephrin.example"
#endif

namespace zephrin {

std::wstring SystemFilePath(const wchar_t* file) {
    std::vector<wchar_t> dir(MAX_PATH);
    const UINT n = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
    if (n == 0 || n >= dir.size()) return {};
    std::wstring path(dir.data(), n);
    if (path.back() != L'\\') path += L'\\';
    return path + file;
}

DWORD SystemLibraryLoadFlags() {
    // The flag is known wherever the functions that came with it are (8, and Vista and 7 with their update).
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel && GetProcAddress(kernel, "AddDllDirectory") ? kSearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH;
}

HMODULE LoadLibraryAt(const std::wstring& path) {
    return path.empty() ? nullptr : LoadLibraryExW(path.c_str(), nullptr, SystemLibraryLoadFlags());
}

namespace {

// We run elevated: a library is loaded by its full system path, so the search
// path can never pick up a planted copy. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* file) { return LoadLibraryAt(SystemFilePath(file)); }

constexpr UINT kHelpDisplayTopic = 0;  // HH_DISPLAY_TOPIC
constexpr UINT kHelpCloseAll = 0x12;   // HH_CLOSE_ALL
constexpr wchar_t kHelpLibrary[] = L"hhctrl.ocx";

// The shell that draws the desktop runs as the user who logged on; asked
// through its desktop window, it opens a page or document as that user,
// never as the administrator we run as. False when this system's shell
// cannot be asked so; nothing was opened then.
bool OpenAsDesktopUser(const std::wstring& file) {
    auto init = SystemFunction<decltype(CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    auto uninit = SystemFunction<decltype(CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    auto create = SystemFunction<decltype(CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
    auto alloc = SystemFunction<decltype(SysAllocString)>(L"oleaut32.dll", "SysAllocString");
    auto free = SystemFunction<decltype(SysFreeString)>(L"oleaut32.dll", "SysFreeString");
    if (!init || !uninit || !create || !alloc || !free) return false;
    const HRESULT initialized = init(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(initialized) && initialized != RPC_E_CHANGED_MODE) return false;
    bool opened = false;
    {
        ComPtr<IShellWindows> windows;
        ComPtr<IDispatch> desktop;
        ComPtr<IServiceProvider> provider;
        ComPtr<IShellBrowser> browser;
        ComPtr<IShellView> view;
        ComPtr<IDispatch> background;
        ComPtr<IShellFolderViewDual> folderView;
        ComPtr<IDispatch> application;
        ComPtr<IShellDispatch2> shell;
        VARIANT where{}, root{};
        where.vt = VT_I4;
        where.lVal = CSIDL_DESKTOP;
        root.vt = VT_EMPTY;
        long window = 0;
        if (SUCCEEDED(create(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.putVoid())) &&
            windows->FindWindowSW(&where, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.put()) == S_OK &&
            desktop.get() && SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, provider.putVoid())) &&
            SUCCEEDED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.putVoid())) &&
            SUCCEEDED(browser->QueryActiveShellView(view.put())) &&
            SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.putVoid())) &&
            SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.putVoid())) &&
            SUCCEEDED(folderView->get_Application(application.put())) &&
            SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.putVoid()))) {
            BSTR name = alloc(file.c_str());
            VARIANT args{}, folder{}, verb{}, show{};
            show.vt = VT_I4;
            show.lVal = SW_SHOWNORMAL;
            opened = name && SUCCEEDED(shell->ShellExecute(name, args, folder, verb, show));
            free(name);
        }
    }
    if (SUCCEEDED(initialized)) uninit();
    return opened;
}

void Launch(HWND owner, const std::wstring& file, const wchar_t* parameters) {
    if (auto* shellExecute = SystemFunction<decltype(ShellExecuteW)>(L"shell32.dll", "ShellExecuteW"))
        shellExecute(owner, L"open", file.c_str(), parameters, nullptr, SW_SHOW);
}

std::wstring Widen(const char* text) {
    std::wstring out;
    for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return out;
}

}  // namespace

void RestrictLibrarySearch() {
    // The system folder alone where the system can say so (Vista and later, and 7 with its update),
    // else at least not the current folder (XP SP1 on).
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (auto setDefault = SystemFunction<BOOL WINAPI(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories"))
        if (setDefault(kSearchSystem32)) return;
    if (auto setDir = SystemFunction<BOOL WINAPI(LPCWSTR)>(L"kernel32.dll", "SetDllDirectoryW")) setDir(L"");
}

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

void OpenForDesktopUser(HWND owner, const std::wstring& file, const std::function<bool(const std::wstring&)>& desktopShell,
                        bool ownRightsAreTheDesktopUsers) {
    if (desktopShell(file)) return;
    // Without the desktop's shell, a page or document is opened only where
    // that opens it as the desktop user would. An elevated open would follow
    // the handlers in the user's own hive, which a program of the user sets.
    if (ownRightsAreTheDesktopUsers) Launch(owner, file, nullptr);
}

void OpenForDesktopUser(HWND owner, const std::wstring& file) {
    OpenForDesktopUser(owner, file, &OpenAsDesktopUser, HasDesktopUsersOwnRights());
}

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

FARPROC SystemProcedure(const wchar_t* library, const char* name) {
    HMODULE module = GetModuleHandleW(library);
    if (!module) module = LoadSystemLibrary(library);
    return module ? GetProcAddress(module, name) : nullptr;
}

std::wstring HelpPath(const std::wstring& folder, const std::wstring& file, const std::wstring& topic) {
    return folder + file + L"::" + topic + L">HelpWindow";
}

std::wstring HelpLibraryPath() { return SystemFilePath(kHelpLibrary); }

HMODULE HelpViewer::Library() {
    if (!tried_) {
        tried_ = true;
        library_.reset(LoadLibraryAt(path_));
        if (library_) {
            auto a = GetProcAddress(library_.get(), "HtmlHelpA");
            auto w = GetProcAddress(library_.get(), "HtmlHelpW");
            if (a && w) htmlHelpW_ = reinterpret_cast<HtmlHelpWFn>(reinterpret_cast<void*>(w));
        }
    }
    return htmlHelpW_ ? library_.get() : nullptr;
}

HelpViewer::~HelpViewer() {
    if (htmlHelpW_) htmlHelpW_(nullptr, nullptr, kHelpCloseAll, 0);
}

void HelpViewer::ShowTopic(const std::wstring& helpFile, const std::wstring& topic) {
    if (!Library()) return;
    const std::wstring path = HelpPath(ProgramFolder(), helpFile, topic);
    htmlHelpW_(GetDesktopWindow(), path.c_str(), kHelpDisplayTopic, 0);
}

void PlayClickSound() {
    if (auto* playSound = SystemFunction<decltype(PlaySoundW)>(L"winmm.dll", "PlaySoundW"))
        playSound(L"click", GetModuleHandleW(nullptr), SND_RESOURCE);
}

// Plain http, the host alone for the home page: the addresses the maker has
// always published. They open in the desktop user's browser, never with our rights.
std::wstring HomePageUrl() { return L"http://" + Widen(ZEPHRIN_WEB_HOST); }
std::wstring SupportPageUrl() { return HomePageUrl() + L"/support/"; }

std::wstring AskFileToSave(HWND owner, const std::wstring& suggestedName, const std::wstring& kindName,
                           const std::wstring& extension) {
    // The common dialogs library is loaded for the first save, not at every start.
    auto* getSaveFileName = SystemFunction<decltype(GetSaveFileNameW)>(L"comdlg32.dll", "GetSaveFileNameW");
    if (!getSaveFileName) return {};
    std::vector<wchar_t> file(32768, L'\0');
    suggestedName.copy(file.data(), (std::min)(suggestedName.size(), file.size() - 1));
    std::wstring filter = kindName + L'\0' + L"*." + extension + L'\0' + L'\0';
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = extension.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!getSaveFileName(&ofn)) return {};
    return file.data();
}

}  // namespace zephrin
