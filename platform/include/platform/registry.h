#pragma once
// One-shot registry access: every call opens its key, does one thing and
// closes it again. Reads fall back to the caller's default. Writes and
// deletes say whether Windows took them, for the callers whose safety
// depends on it; everyone else may ignore the answer.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zephrin {

std::wstring ReadRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                                const std::wstring& defaultValue, bool use64BitView);
int32_t ReadRegistryInteger(HKEY root, const std::wstring& path, const std::wstring& name,
                            int32_t defaultValue, bool use64BitView);
bool ReadRegistryBool(HKEY root, const std::wstring& path, const std::wstring& name,
                      bool defaultValue, bool use64BitView);

bool WriteRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                         const std::wstring& value, bool use64BitView);
bool WriteRegistryInteger(HKEY root, const std::wstring& path, const std::wstring& name,
                          int32_t value, bool use64BitView);
bool WriteRegistryBool(HKEY root, const std::wstring& path, const std::wstring& name, bool value,
                       bool use64BitView);

// True also when the value was not there.
bool DeleteRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name,
                         bool use64BitView);

// Values copied whole, type and bytes, for the tuning backup record.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};
enum class RawRead { Present, Absent, Unknown };
// Ours: the view the system gives a 32-bit program. Native: the 64-bit view on
// 64-bit Windows, for keys that 64-bit programs keep apart; elsewhere the same as ours.
enum class RegistryView { Ours, Native };
RawRead ReadRegistryRaw(HKEY root, const std::wstring& path, const std::wstring& name, RawValue& out,
                        RegistryView view = RegistryView::Ours);
bool WriteRegistryRaw(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value);
// Writes, then reads back: true only when the registry holds exactly that type and those bytes.
bool WriteRegistryRawChecked(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value);
// Deletes, then looks: true only when the value is not there afterwards.
bool DeleteRegistryValueChecked(HKEY root, const std::wstring& path, const std::wstring& name);
// Deletes a key and its values; one that holds keys of its own stays.
void DeleteRegistryKey(HKEY root, const std::wstring& path);

// A key by its root and path. A key in a user's own hive may have been made
// by that user as a link into the machine's keys, which an administrator's
// write would then follow: such keys are opened level by level, each as
// itself, and a link on the way counts as a key that holds nothing.
struct KeyPlace {
    HKEY root = nullptr;
    std::wstring path;
    bool usersOwn = false;
};
RawRead ReadRaw(const KeyPlace& key, const std::wstring& name, RawValue& out);
// Refused through a link; otherwise as WriteRegistryRawChecked.
bool WriteRawChecked(const KeyPlace& key, const std::wstring& name, const RawValue& value);
// True when the value is not there afterwards; a link is left alone, holding none.
bool DeleteValueChecked(const KeyPlace& key, const std::wstring& name);
// A REG_DWORD of at most four bytes, else `defaultValue`.
int32_t ReadDword(const KeyPlace& key, const std::wstring& name, int32_t defaultValue);
RawValue DwordValue(int32_t value);
// The strings of REG_MULTI_SZ data, in order, the empty ones left out.
std::vector<std::wstring> MultiStringItems(const RawValue& value);

// Access masks per kind of operation; exposed so the rules can be checked.
REGSAM RegistryReadMask(bool use64BitView);
REGSAM RegistryWriteMask(bool use64BitView);
REGSAM RegistryDeleteMask(bool use64BitView);

// The registry takes paths relative to the root key: one leading backslash goes.
std::wstring RelativeKeyPath(const std::wstring& path);

}  // namespace zephrin
