#include "platform/desktop_open.h"

#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include "platform/desktop_user.h"
#include "platform/handles.h"
#include "platform/system_library.h"

namespace zephrin {
namespace {

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

}  // namespace

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

}  // namespace zephrin
