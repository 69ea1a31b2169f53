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
RawRead ReadRegistryRaw(HKEY root, const std::wstring& path, const std::wstring& name, RawValue& out);
bool WriteRegistryRaw(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value);
// Writes, then reads back: true only when the registry holds exactly that type and those bytes.
bool WriteRegistryRawChecked(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value);
// Deletes, then looks: true only when the value is not there afterwards.
bool DeleteRegistryValueChecked(HKEY root, const std::wstring& path, const std::wstring& name);
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
