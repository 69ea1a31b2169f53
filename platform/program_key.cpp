#include "platform/program_key.h"

#include "platform/registry.h"

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
bool WriteProgramString(const std::wstring& name, const std::wstring& value) {
    return WriteRegistryString(kProgramRoot, kProgramKeyPath, name, value, false);
}
bool WriteProgramInteger(const std::wstring& name, int32_t value) {
    return WriteRegistryInteger(kProgramRoot, kProgramKeyPath, name, value, false);
}
bool WriteProgramBool(const std::wstring& name, bool value) {
    return WriteRegistryBool(kProgramRoot, kProgramKeyPath, name, value, false);
}
bool DeleteProgramValue(const std::wstring& name) {
    return DeleteRegistryValue(kProgramRoot, kProgramKeyPath, name, false);
}

void StampProgramKey(const std::function<std::wstring()>& now) {
    if (ReadProgramString(value::kInstalledDate, L"").empty()) WriteProgramString(value::kInstalledDate, now());
    if (ReadProgramBool(value::kUpdated, false)) {
        WriteProgramBool(value::kUpdated, false);
        WriteProgramString(value::kUpdatedDate, now());
    }
}

}  // namespace zephrin
