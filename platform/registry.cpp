#include "platform/registry.h"

#include <vector>

#include "platform/handles.h"

namespace zephrin {
namespace {

constexpr REGSAM kWow64View = KEY_WOW64_64KEY;

UniqueKey OpenExisting(HKEY root, const std::wstring& path, REGSAM mask) {
    UniqueKey key;
    if (RegOpenKeyExW(root, RelativeKeyPath(path).c_str(), 0, mask, key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

UniqueKey OpenOrCreate(HKEY root, const std::wstring& path, REGSAM mask) {
    UniqueKey key;
    if (RegCreateKeyExW(root, RelativeKeyPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        mask, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        key.release();
    return key;
}

bool ReadDword(HKEY root, const std::wstring& path, const std::wstring& name, bool use64,
               int32_t& out) {
    UniqueKey key = OpenExisting(root, path, RegistryReadMask(use64));
    if (!key) return false;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data),
                         &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD) return false;
    out = static_cast<int32_t>(data);
    return true;
}

bool WriteValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                const void* data, DWORD size, bool use64) {
    UniqueKey key = OpenOrCreate(root, path, RegistryWriteMask(use64));
    if (!key) return false;
    return RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

}  // namespace

REGSAM RegistryReadMask(bool use64BitView) { return KEY_READ | (use64BitView ? kWow64View : 0); }
REGSAM RegistryWriteMask(bool use64BitView) { return KEY_WRITE | (use64BitView ? kWow64View : 0); }
REGSAM RegistryDeleteMask(bool use64BitView) {
    return KEY_ALL_ACCESS | (use64BitView ? kWow64View : 0);
}

std::wstring RelativeKeyPath(const std::wstring& path) {
    if (!path.empty() && path[0] == L'\\') return path.substr(1);
    return path;
}

std::wstring ReadRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                                const std::wstring& defaultValue, bool use64BitView) {
    UniqueKey key = OpenExisting(root, path, RegistryReadMask(use64BitView));
    if (!key) return defaultValue;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return defaultValue;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return defaultValue;
    if (size == 0) return defaultValue;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = size;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &got) != ERROR_SUCCESS)
        return defaultValue;
    std::wstring text(buffer.data());  // up to the first NUL
    return text.empty() ? defaultValue : text;
}

int32_t ReadRegistryInteger(HKEY root, const std::wstring& path, const std::wstring& name,
                            int32_t defaultValue, bool use64BitView) {
    int32_t value = 0;
    return ReadDword(root, path, name, use64BitView, value) ? value : defaultValue;
}

bool ReadRegistryBool(HKEY root, const std::wstring& path, const std::wstring& name,
                      bool defaultValue, bool use64BitView) {
    int32_t value = 0;
    return ReadDword(root, path, name, use64BitView, value) ? value != 0 : defaultValue;
}

bool WriteRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                         const std::wstring& value, bool use64BitView) {
    return WriteValue(root, path, name, REG_SZ, value.c_str(),
               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)), use64BitView);
}

bool WriteRegistryInteger(HKEY root, const std::wstring& path, const std::wstring& name,
                          int32_t value, bool use64BitView) {
    const DWORD data = static_cast<DWORD>(value);
    return WriteValue(root, path, name, REG_DWORD, &data, sizeof data, use64BitView);
}

bool WriteRegistryBool(HKEY root, const std::wstring& path, const std::wstring& name, bool value,
                       bool use64BitView) {
    return WriteRegistryInteger(root, path, name, value ? 1 : 0, use64BitView);
}

bool DeleteRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name,
                         bool use64BitView) {
    UniqueKey key;
    const LONG opened =
        RegOpenKeyExW(root, RelativeKeyPath(path).c_str(), 0, RegistryDeleteMask(use64BitView), key.put());
    if (opened != ERROR_SUCCESS) {
        key.release();  // nothing was opened
        return opened == ERROR_FILE_NOT_FOUND;
    }
    const LONG rc = RegDeleteValueW(key.get(), name.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

namespace {

// Whether we run as a 32-bit program on 64-bit Windows. The question is
// looked up: Windows 2000 cannot ask it, and has no 64-bit view either.
bool UnderWow64() {
    using IsWow64Fn = BOOL WINAPI(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto* isWow64 = kernel ? reinterpret_cast<IsWow64Fn*>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
                           : nullptr;
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

RawRead QueryRaw(HKEY key, const std::wstring& name, RawValue& out) {
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND) return RawRead::Absent;
    if (rc != ERROR_SUCCESS) return RawRead::Unknown;
    out.type = type;
    out.data.assign(size, 0);
    rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, out.data.data(), &size);
    if (rc != ERROR_SUCCESS) return RawRead::Unknown;
    out.data.resize(size);
    return RawRead::Present;
}

bool SetRaw(HKEY key, const std::wstring& name, const RawValue& value) {
    // The write call stretches a string by one character when a NUL follows
    // its data; a string stored without its NUL must come back without one.
    std::vector<BYTE> guarded(value.data);
    guarded.insert(guarded.end(), {0xFF, 0xFF});
    return RegSetValueExW(key, name.c_str(), 0, value.type, guarded.data(), static_cast<DWORD>(value.data.size())) ==
           ERROR_SUCCESS;
}

bool HoldsExactly(HKEY key, const std::wstring& name, const RawValue& value) {
    RawValue back;
    return QueryRaw(key, name, back) == RawRead::Present && back.type == value.type && back.data == value.data;
}

// What a walk down a user's hive found.
enum class Walk { Opened, Missing, Link, Failed };

bool IsLink(HKEY key) {
    DWORD type = 0, size = 0;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
           type == REG_LINK;
}

// Opens every level of `path` as itself, never where a link points; a level
// that is a link ends the walk. With `create`, missing levels are made, and a
// level someone else made in between is looked at again like any other.
Walk OpenWithoutLinks(HKEY root, const std::wstring& path, REGSAM access, bool create, UniqueKey& out) {
    std::vector<std::wstring> levels;
    const std::wstring relative = RelativeKeyPath(path);
    for (size_t at = 0, next; at <= relative.size(); at = next + 1) {
        next = relative.find(L'\\', at);
        if (next == std::wstring::npos) next = relative.size();
        if (next > at) levels.push_back(relative.substr(at, next - at));
    }
    if (levels.empty()) return Walk::Failed;
    UniqueKey current;
    HKEY parent = root;  // borrowed: the root, then `current`
    for (size_t i = 0; i < levels.size(); ++i) {
        const bool last = i + 1 == levels.size();
        const REGSAM mask = KEY_QUERY_VALUE | (last ? access : KEY_ENUMERATE_SUB_KEYS | (create ? KEY_CREATE_SUB_KEY : 0));
        UniqueKey next;
        for (int attempt = 0;; ++attempt) {
            const LONG opened = RegOpenKeyExW(parent, levels[i].c_str(), REG_OPTION_OPEN_LINK, mask, next.put());
            if (opened == ERROR_SUCCESS) break;
            next.release();
            if (opened != ERROR_FILE_NOT_FOUND) return Walk::Failed;
            if (!create) return Walk::Missing;
            DWORD disposition = 0;
            if (RegCreateKeyExW(parent, levels[i].c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, mask, nullptr, next.put(),
                                &disposition) != ERROR_SUCCESS) {
                next.release();
                return Walk::Failed;
            }
            if (disposition == REG_CREATED_NEW_KEY) break;
            // Made by someone else after we looked: opened through whatever it is, so looked at again.
            next.reset();
            if (attempt > 0) return Walk::Failed;
        }
        if (IsLink(next.get())) return Walk::Link;
        current = std::move(next);
        parent = current.get();
    }
    out = std::move(current);
    return Walk::Opened;
}

}  // namespace

RawRead ReadRegistryRaw(HKEY root, const std::wstring& path, const std::wstring& name, RawValue& out,
                        RegistryView view) {
    UniqueKey key;
    const bool native = view == RegistryView::Native && UnderWow64();
    const LONG opened = RegOpenKeyExW(root, RelativeKeyPath(path).c_str(), 0, RegistryReadMask(native), key.put());
    if (opened == ERROR_FILE_NOT_FOUND) {
        key.release();
        return RawRead::Absent;
    }
    if (opened != ERROR_SUCCESS) {
        key.release();
        return RawRead::Unknown;
    }
    return QueryRaw(key.get(), name, out);
}

bool WriteRegistryRaw(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value) {
    UniqueKey key = OpenOrCreate(root, path, RegistryWriteMask(false));
    return key && SetRaw(key.get(), name, value);
}

bool WriteRegistryRawChecked(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value) {
    if (!WriteRegistryRaw(root, path, name, value)) return false;
    RawValue back;
    return ReadRegistryRaw(root, path, name, back) == RawRead::Present && back.type == value.type &&
           back.data == value.data;
}

void DeleteRegistryKey(HKEY root, const std::wstring& path) {
    std::wstring relative = RelativeKeyPath(path);
    while (!relative.empty() && relative.back() == L'\\') relative.pop_back();
    RegDeleteKeyW(root, relative.c_str());
}

bool DeleteRegistryValueChecked(HKEY root, const std::wstring& path, const std::wstring& name) {
    DeleteRegistryValue(root, path, name, false);
    RawValue left;
    return ReadRegistryRaw(root, path, name, left) == RawRead::Absent;
}

// A link in a user's own hive holds none of that user's values: read, the
// value is not there; deleted, there is nothing to delete; written, it is
// refused, since the write would land wherever the link points.
RawRead ReadRaw(const KeyPlace& key, const std::wstring& name, RawValue& out) {
    if (!key.usersOwn) return ReadRegistryRaw(key.root, key.path, name, out);
    UniqueKey opened;
    switch (OpenWithoutLinks(key.root, key.path, KEY_QUERY_VALUE, false, opened)) {
    case Walk::Opened: return QueryRaw(opened.get(), name, out);
    case Walk::Missing:
    case Walk::Link: return RawRead::Absent;
    case Walk::Failed: break;
    }
    return RawRead::Unknown;
}

bool WriteRawChecked(const KeyPlace& key, const std::wstring& name, const RawValue& value) {
    if (!key.usersOwn) return WriteRegistryRawChecked(key.root, key.path, name, value);
    UniqueKey opened;
    return OpenWithoutLinks(key.root, key.path, KEY_SET_VALUE, true, opened) == Walk::Opened &&
           SetRaw(opened.get(), name, value) && HoldsExactly(opened.get(), name, value);
}

bool DeleteValueChecked(const KeyPlace& key, const std::wstring& name) {
    if (!key.usersOwn) return DeleteRegistryValueChecked(key.root, key.path, name);
    UniqueKey opened;
    switch (OpenWithoutLinks(key.root, key.path, KEY_SET_VALUE, false, opened)) {
    case Walk::Opened: break;
    case Walk::Missing:
    case Walk::Link: return true;
    case Walk::Failed: return false;
    }
    RegDeleteValueW(opened.get(), name.c_str());
    RawValue left;
    return QueryRaw(opened.get(), name, left) == RawRead::Absent;
}

int32_t ReadDword(const KeyPlace& key, const std::wstring& name, int32_t defaultValue) {
    RawValue raw;
    if (ReadRaw(key, name, raw) != RawRead::Present || raw.type != REG_DWORD || raw.data.size() > 4) return defaultValue;
    DWORD value = 0;
    std::copy(raw.data.begin(), raw.data.end(), reinterpret_cast<BYTE*>(&value));
    return static_cast<int32_t>(value);
}

RawValue DwordValue(int32_t value) {
    RawValue raw;
    raw.type = REG_DWORD;
    const auto* bytes = reinterpret_cast<const BYTE*>(&value);
    raw.data.assign(bytes, bytes + sizeof value);
    return raw;
}

std::vector<std::wstring> MultiStringItems(const RawValue& value) {
    std::vector<std::wstring> items;
    std::wstring current;
    // A last odd byte belongs to no character.
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
        const wchar_t c = static_cast<wchar_t>(value.data[i] | value.data[i + 1] << 8);
        if (c != L'\0') {
            current += c;
        } else if (!current.empty()) {
            items.push_back(current);
            current.clear();
        }
    }
    if (!current.empty()) items.push_back(current);
    return items;
}

}  // namespace zephrin
