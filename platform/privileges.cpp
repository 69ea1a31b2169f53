#include "platform/privileges.h"

namespace zephrin {

EnabledPrivileges::EnabledPrivileges(std::initializer_list<const wchar_t*> names) {
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.put())) {
        token_.release();
        return;
    }
    const size_t count = names.size();
    std::vector<BYTE> wanted(sizeof(TOKEN_PRIVILEGES) + count * sizeof(LUID_AND_ATTRIBUTES));
    auto* list = reinterpret_cast<TOKEN_PRIVILEGES*>(wanted.data());
    DWORD found = 0;
    for (const wchar_t* name : names) {
        if (!LookupPrivilegeValueW(nullptr, name, &list->Privileges[found].Luid)) continue;
        list->Privileges[found++].Attributes = SE_PRIVILEGE_ENABLED;
    }
    list->PrivilegeCount = found;
    if (found == 0) return;
    previous_.assign(wanted.size(), 0);
    DWORD size = static_cast<DWORD>(previous_.size());
    // ERROR_NOT_ALL_ASSIGNED still enables those the account holds, and the previous state says which changed.
    adjusted_ = AdjustTokenPrivileges(token_.get(), FALSE, list, size, reinterpret_cast<TOKEN_PRIVILEGES*>(previous_.data()),
                                      &size) != FALSE;
}

EnabledPrivileges::~EnabledPrivileges() {
    if (adjusted_)
        AdjustTokenPrivileges(token_.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(previous_.data()), 0, nullptr,
                              nullptr);
}

}  // namespace zephrin
