#pragma once
// Privileges an administrator holds but that stay off until a step needs them:
// switched on for one scope, and put back as they were when it ends.
#include <windows.h>

#include <initializer_list>
#include <vector>

#include "platform/handles.h"

namespace zephrin {

class EnabledPrivileges {
public:
    // Names such as SE_RESTORE_NAME; those the account does not hold stay off.
    explicit EnabledPrivileges(std::initializer_list<const wchar_t*> names);
    ~EnabledPrivileges();
    EnabledPrivileges(const EnabledPrivileges&) = delete;
    EnabledPrivileges& operator=(const EnabledPrivileges&) = delete;

private:
    UniqueHandle token_;
    std::vector<BYTE> previous_;  // a TOKEN_PRIVILEGES as it was
    bool adjusted_ = false;
};

}  // namespace zephrin
