#include "settings/program_key.h"

#include "settings/custom_registry.h"

namespace zephrin {

std::wstring ReadProgramString(const std::wstring& name, const std::wstring& defaultValue) {
    return ReadRegistryString(kProgramRoot, kProgramKeyPath, name, defaultValue, false);
}
int32_t ReadProgramInteger(const std::wstring& name, int32_t defaultValue) {
    return ReadRegistryInteger(kProgramRoot, kProgramKeyPath, name, defaultValue, false);
}
bool ReadProgramBool(const std::wstring& name, bool defaultValue) {
    return ReadRegistryBool(kProgramRoot, kProgramKeyPath, name, defaultValue, false);
}
void WriteProgramString(const std::wstring& name, const std::wstring& value) {
    WriteRegistryString(kProgramRoot, kProgramKeyPath, name, value, false);
}
void WriteProgramInteger(const std::wstring& name, int32_t value) {
    WriteRegistryInteger(kProgramRoot, kProgramKeyPath, name, value, false);
}
void WriteProgramBool(const std::wstring& name, bool value) {
    WriteRegistryBool(kProgramRoot, kProgramKeyPath, name, value, false);
}
void DeleteProgramValue(const std::wstring& name) {
    DeleteRegistryValue(kProgramRoot, kProgramKeyPath, name, false);
}

void StampProgramKey(const std::function<std::wstring()>& now) {
    try {
        if (ReadProgramString(value::kInstalledDate, L"").empty())
            WriteProgramString(value::kInstalledDate, now());
        if (ReadProgramBool(value::kUpdated, false)) {
            WriteProgramBool(value::kUpdated, false);
            WriteProgramString(value::kUpdatedDate, now());
        }
    } catch (...) {
    }
}

}  // namespace zephrin
