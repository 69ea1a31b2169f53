#include "harness.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/program_key.h"
#include "platform/folders.h"

namespace zephrin::test {

std::wstring BinFolder() { return ProgramFolder(); }

std::string Narrow(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

static std::wstring Rel(const std::wstring& path) {
    return !path.empty() && path[0] == L'\\' ? path.substr(1) : path;
}

void DeleteKeyTree(HKEY root, const std::wstring& path) {
    std::wstring p = Rel(path);
    while (!p.empty() && p.back() == L'\\') p.pop_back();
    SHDeleteKeyW(root, p.c_str());
}

void ResetProgramKey() { DeleteKeyTree(HKEY_LOCAL_MACHINE, kProgramKeyPath); }

ScratchKey::ScratchKey(const std::wstring& name) : path_(L"\\Software\\ZephrinTests\\" + name) {
    DeleteKeyTree(HKEY_CURRENT_USER, path_);
}
ScratchKey::~ScratchKey() { DeleteKeyTree(HKEY_CURRENT_USER, path_); }

namespace {
const wchar_t kRedirectRoot[] = L"Software\\ZephrinTests\\Redirected";
}  // namespace

RegistryRedirect::RegistryRedirect() {
    DeleteKeyTree(HKEY_CURRENT_USER, kRedirectRoot);
    const std::wstring root = kRedirectRoot;
    RegCreateKeyExW(HKEY_CURRENT_USER, (root + L"\\Machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    machine_.put(), nullptr);
    RegCreateKeyExW(HKEY_CURRENT_USER, (root + L"\\User").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    user_.put(), nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.get());
    RegOverridePredefKey(HKEY_CURRENT_USER, user_.get());
}

RegistryRedirect::~RegistryRedirect() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    machine_.reset();
    user_.reset();
    DeleteKeyTree(HKEY_CURRENT_USER, kRedirectRoot);
}

RawRegValue ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name) {
    RawRegValue v;
    UniqueKey key;
    if (RegOpenKeyExW(root, Rel(path).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        key.release();
        return v;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS) return v;
    v.data.resize(size);
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &v.type, v.data.data(), &size) != ERROR_SUCCESS) return v;
    v.data.resize(size);
    v.present = true;
    return v;
}

void WriteRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
              DWORD size) {
    UniqueKey key;
    if (RegCreateKeyExW(root, Rel(path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS) {
        key.release();
        return;
    }
    RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

void WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    WriteRaw(root, path, name, REG_DWORD, &value, sizeof value);
}

void WriteSz(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value) {
    WriteRaw(root, path, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
}

std::optional<DWORD> ReadDwordValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    const RawRegValue v = ReadRaw(root, path, name);
    if (!v.present || v.type != REG_DWORD || v.data.size() != 4) return std::nullopt;
    DWORD d;
    memcpy(&d, v.data.data(), 4);
    return d;
}

std::optional<std::wstring> ReadSzValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    const RawRegValue v = ReadRaw(root, path, name);
    if (!v.present || (v.type != REG_SZ && v.type != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring s(reinterpret_cast<const wchar_t*>(v.data.data()), v.data.size() / 2);
    while (!s.empty() && s.back() == L'\0') s.pop_back();
    return s;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    UniqueKey key;
    if (RegOpenKeyExW(root, Rel(path).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        key.release();
        return false;
    }
    return true;
}

bool ProcessRunning(const std::wstring& exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{sizeof entry};
    bool found = false;
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok && !found; ok = Process32NextW(snapshot, &entry))
        found = _wcsicmp(entry.szExeFile, exeName.c_str()) == 0;
    CloseHandle(snapshot);
    return found;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(20);
    }
}

Program::Program(const std::wstring& arguments, const std::wstring& exe) {
    const std::wstring path = exe.find(L':') != std::wstring::npos ? exe : BinFolder() + exe;
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    std::wstring cmd = L"\"" + path + L"\"";
    if (!arguments.empty()) cmd += L" " + arguments;
    STARTUPINFOW si{sizeof si};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi_))
        pi_ = PROCESS_INFORMATION{};
}

Program::~Program() {
    Kill();
    if (pi_.hThread) CloseHandle(pi_.hThread);
    if (pi_.hProcess) CloseHandle(pi_.hProcess);
}

std::optional<DWORD> Program::WaitExit(std::chrono::milliseconds timeout) {
    if (!pi_.hProcess) return std::nullopt;
    if (WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

void Program::Kill() {
    if (pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
}

std::vector<HWND> TopWindowsOf(DWORD pid) {
    struct Ctx {
        DWORD pid;
        std::vector<HWND> found;
    } ctx{pid, {}};
    EnumWindows(
        [](HWND w, LPARAM lp) WINAPI -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (c->pid == 0 || owner == c->pid) c->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

static std::wstring ClassOf(HWND w) {
    wchar_t buf[256] = {};
    GetClassNameW(w, buf, 256);
    return buf;
}

HWND FindTopWindow(const std::wstring& className, DWORD pid) {
    for (HWND w : TopWindowsOf(pid))
        if (ClassOf(w) == className) return w;
    return nullptr;
}

HWND WaitForWindow(const std::wstring& className, DWORD pid, std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(className, pid)) != nullptr; }, timeout);
    return found;
}

std::wstring WindowText(HWND wnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

HWND FindChildByText(HWND parent, const std::wstring& className, const std::wstring& text) {
    struct Ctx {
        std::wstring cls, text;
        HWND found;
    } ctx{className, text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND w, LPARAM lp) WINAPI -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            if (_wcsicmp(ClassOf(w).c_str(), c->cls.c_str()) == 0 && WindowText(w) == c->text) {
                c->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid, std::chrono::milliseconds timeout) {
    HWND box = WaitForWindow(L"#32770", pid, timeout);
    if (!box) return std::nullopt;
    return ReadMessageBox(box, timeout);
}

std::optional<MessageBoxInfo> WaitForOwnedMessageBox(HWND owner, std::chrono::milliseconds timeout) {
    HWND box = nullptr;
    WaitUntil([&] {
        for (HWND w : TopWindowsOf(0))
            if (GetWindow(w, GW_OWNER) == owner && ClassOf(w) == L"#32770" && IsWindowVisible(w)) box = w;
        return box != nullptr;
    }, timeout);
    if (!box) return std::nullopt;
    return ReadMessageBox(box, timeout);
}

MessageBoxInfo ReadMessageBox(HWND box, std::chrono::milliseconds timeout) {
    // The box exists before its text and buttons are set up; read it once it shows them.
    WaitUntil([&] {
        HWND text = GetDlgItem(box, 0xFFFF);
        return IsWindowVisible(box) && text && GetWindowTextLengthW(text) > 0 &&
               (GetDlgItem(box, IDOK) || GetDlgItem(box, IDYES) || GetDlgItem(box, IDCANCEL));
    }, timeout);
    MessageBoxInfo info;
    info.window = box;
    info.title = WindowText(box);
    info.owner = GetWindow(box, GW_OWNER);
    if (HWND text = GetDlgItem(box, 0xFFFF)) info.text = WindowText(text);
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        if (HWND b = GetDlgItem(box, id)) {
            info.buttons.emplace_back(id, WindowText(b));
            if ((GetWindowLongW(b, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) info.defaultButton = id;
        }
    }
    return info;
}

void AnswerMessageBox(const MessageBoxInfo& box, int buttonId) {
    if (HWND b = GetDlgItem(box.window, buttonId)) PostMessageW(b, BM_CLICK, 0, 0);
}

void SetWineVersionFor(const std::wstring& exeName, const std::wstring& version) {
    WriteSz(HKEY_CURRENT_USER, L"\\Software\\Wine\\AppDefaults\\" + exeName, L"Version", version);
}

void ClearWineVersionFor(const std::wstring& exeName) {
    DeleteKeyTree(HKEY_CURRENT_USER, L"\\Software\\Wine\\AppDefaults\\" + exeName);
}

bool CopyIntoBin(const std::wstring& from, const std::wstring& to) {
    return CopyFileW((BinFolder() + from).c_str(), (BinFolder() + to).c_str(), FALSE) != FALSE;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && written;
}

std::wstring InstallFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::wstring(path) + L"\\ORVANE\\Zephrin\\";
}

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return bytes;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    fclose(f);
    return bytes;
}

std::wstring ReadTextFile(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    // launch_probe writes wide characters.
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

std::wstring HostPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

}  // namespace zephrin::test

namespace zephrin::test {

namespace {
LRESULT CALLBACK TaskProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lp));
        (*task)();
        return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}
HWND TaskWindow() {
    static HWND window = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = TaskProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZephrinTestTasks";
        RegisterClassW(&wc);
        return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }();
    return window;
}
}  // namespace

void RunLater(std::function<void()> task) {
    PostMessageW(TaskWindow(), WM_APP, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(task))));
}

}  // namespace zephrin::test

namespace zephrin::test {

namespace {
// The build's screenshot folder, as the Windows side sees the host's file system.
std::wstring ScreenshotPath(const std::wstring& name) {
    std::wstring dir = L"Z:";
    for (const char* c = ZEPHRIN_SCREENSHOT_DIR; *c; ++c) dir += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir + L"\\" + name;
}
}  // namespace

std::vector<uint32_t> CaptureScreen(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<uint32_t> pixels;
    if (w <= 0 || h <= 0) return pixels;
    WindowDC screen(nullptr);
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
    void* bits = nullptr;
    UniqueBitmap dib(CreateDIBSection(screen.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueDC mem(CreateCompatibleDC(screen.get()));
    if (!dib || !bits || !mem) return pixels;
    {
        SelectScope select(mem.get(), dib.get());
        BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    }
    const auto* p = static_cast<const uint32_t*>(bits);
    pixels.assign(p, p + static_cast<size_t>(w) * h);
    return pixels;
}

namespace {
bool NothingLeftToPaint(HWND window) {
    if (GetUpdateRect(window, nullptr, FALSE)) return false;
    bool clean = true;
    EnumChildWindows(window, [](HWND child, LPARAM lp) WINAPI -> BOOL {
        if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
            *reinterpret_cast<bool*>(lp) = false;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&clean));
    return clean;
}
}  // namespace

bool WaitUntilPainted(HWND window, std::chrono::milliseconds timeout) {
    std::vector<uint32_t> previous;
    return WaitUntil([&] {
        DWORD_PTR ignored = 0;
        // The window's thread answers only once it has handled what was queued before.
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 1000, &ignored)) return false;
        if (!NothingLeftToPaint(window)) return false;
        RECT r;
        GetClientRect(window, &r);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
        std::vector<uint32_t> now = CaptureScreen(r);
        // What the screen shows has caught up once two looks agree.
        const bool steady = !now.empty() && now == previous;
        previous = std::move(now);
        return steady;
    }, timeout);
}

int CountColoredPixels(const RECT& screenRect) {
    int n = 0;
    for (uint32_t px : CaptureScreen(screenRect)) {
        const int b = px & 0xFF, g = (px >> 8) & 0xFF, r = (px >> 16) & 0xFF;
        if ((std::max)({r, g, b}) - (std::min)({r, g, b}) > 40) ++n;
    }
    return n;
}

bool SaveScreenPng(const RECT& r, const std::wstring& fileName) {
    const std::wstring path = ScreenshotPath(fileName);
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<uint32_t> pixels = CaptureScreen(r);
    if (pixels.empty()) return false;
    void* bits = pixels.data();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
              SUCCEEDED(factory->CreateStream(&stream)) &&
              SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
              SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
              SUCCEEDED(frame->SetSize(w, h));
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    ok = ok && SUCCEEDED(frame->SetPixelFormat(&format)) &&
         SUCCEEDED(frame->WritePixels(h, w * 4, w * h * 4, static_cast<BYTE*>(bits))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    if (frame) frame->Release();
    if (encoder) encoder->Release();
    if (stream) stream->Release();
    if (factory) factory->Release();
    CoUninitialize();
    return ok;
}

}  // namespace zephrin::test

namespace zephrin::test {

void ServeRelease(const std::wstring& name) {
    const std::wstring site = HostPath(ZEPHRIN_UPDATE_SITE_DIR "/downloads/zephrin/");
    for (const auto& file : FilesIn(site, L"*.*"))
        if (file != L"." && file != L"..") DeleteFileW((site + file).c_str());
    const std::wstring source = HostPath(ZEPHRIN_RELEASE_CASES_DIR "/") + name + L"\\";
    for (const auto& file : FilesIn(source, L"*.*"))
        if (file != L"." && file != L"..") CopyFileW((source + file).c_str(), (site + file).c_str(), FALSE);
}

std::string UpdateServerLog() { return ReadFileBytes(HostPath(ZEPHRIN_UPDATE_SERVER_DIR "/access.log")); }

std::wstring TempFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, path);
    return path;
}

}  // namespace zephrin::test

namespace zephrin::test {

void UseDesktopFont(const wchar_t* face) {
    const std::wstring metrics = L"\\Control Panel\\Desktop\\WindowMetrics";
    if (!face) {
        HKEY k;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, metrics.substr(1).c_str(), 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
            RegDeleteValueW(k, L"IconFont");
            RegCloseKey(k);
        }
        return;
    }
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = HANGUL_CHARSET;
    lstrcpyW(lf.lfFaceName, face);
    WriteRaw(HKEY_CURRENT_USER, metrics, L"IconFont", REG_BINARY, &lf, sizeof lf);
}

}  // namespace zephrin::test
