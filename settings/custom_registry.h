#pragma once
// One-shot registry access: every call opens its key, does one thing and
// closes it again. Nothing here ever reports a failure; reads fall back to
// the caller's default and failed writes leave no trace.
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

void WriteRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                         const std::wstring& value, bool use64BitView);
void WriteRegistryInteger(HKEY root, const std::wstring& path, const std::wstring& name,
                          int32_t value, bool use64BitView);
void WriteRegistryBool(HKEY root, const std::wstring& path, const std::wstring& name, bool value,
                       bool use64BitView);

void DeleteRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name,
                         bool use64BitView);

// Values copied whole, type and bytes, for the tuning backup record.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};
enum class RawRead { Present, Absent, Unknown };
RawRead ReadRegistryRaw(HKEY root, const std::wstring& path, const std::wstring& name, RawValue& out);
void WriteRegistryRaw(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value);

// Access masks per kind of operation; exposed so the rules can be checked.
REGSAM RegistryReadMask(bool use64BitView);
REGSAM RegistryWriteMask(bool use64BitView);
REGSAM RegistryDeleteMask(bool use64BitView);

// The registry takes paths relative to the root key: one leading backslash goes.
std::wstring RelativeKeyPath(const std::wstring& path);

}  // namespace zephrin
