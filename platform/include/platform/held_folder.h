#pragma once
// Folders for files that are run elevated. Every level below the system's
// common data folder is owned by the administrators, may be changed only by
// them and the system, and stays open while it is in use, without delete
// sharing, so that no level can be renamed, replaced or turned into a link
// between a check and a use. Wine keeps no access lists and lets an open
// folder be renamed; these are guarantees of Windows.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace zephrin {

// Who may change each level: administrators (its owner) and the system; the
// list is protected, so nothing a user may add to a parent is inherited.
inline constexpr wchar_t kAdminOnlyAccess[] = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

class HeldFolder {
public:
    HeldFolder() = default;
    HeldFolder(HeldFolder&&) noexcept = default;
    HeldFolder& operator=(HeldFolder&&) noexcept = default;

    // Holds `root`, which must be a plain folder on a local fixed disk, then
    // each of `levels` below it: made with the access list above, or, when
    // it exists and is a plain folder, given that list and owner, taken over
    // with the administrators' privileges where its list shuts them out.
    // Nullopt when any level is a link, not a folder, or cannot be made ours.
    static std::optional<HeldFolder> Take(const std::wstring& root, const std::vector<std::wstring>& levels);
    // Makes and holds a new innermost level named `prefix` and random
    // letters; one that already exists is never used. False when none could be made.
    bool AddNewLevel(const std::wstring& prefix);
    // Lets go of the levels AddNewLevel made, innermost first, and removes each that is empty.
    void RemoveAddedLevels();

    // With its trailing separator.
    const std::wstring& path() const { return path_; }
    bool empty() const { return held_.empty(); }

private:
    std::wstring path_;
    std::vector<UniqueHandle> held_;  // root first
    size_t added_ = 0;                // how many of the innermost levels AddNewLevel made
};

// Deletes the file (or empty folder) through a handle opened for deletion
// alone; a link put in its place is what goes, never what it points to.
bool DeleteThroughHandle(const std::wstring& path, bool folder = false);

// Lower-case hexadecimal of `bytes` random bytes from the system's generator; empty when it has none.
std::wstring RandomHex(unsigned bytes);

}  // namespace zephrin
