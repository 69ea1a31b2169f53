#pragma once
// The update-check mode of a second copy of the program, and the 45-day
// schedule that starts it.
#include "app/actions.h"
#include "features/update_check.h"

namespace zephrin {

inline constexpr wchar_t kCheckUpdateArgument[] = L"/checkupdate";

// Closes the running copy and asks about the update when the server says one is available.
void RunUpdateCheckMode(const Actions& actions);
// Starts the update-check mode in the background when the schedule says so.
// False when the stored date cannot be used; the caller's creation sequence then ends.
bool CheckUpdateSchedule(const Actions& actions);

}  // namespace zephrin
