#pragma once
// Closing the running Zephrin, as the update-check mode and the updater do
// before they act.

namespace zephrin {

// Closes the running copy's windows, the modal ones (About, What Zephrin changes, progress)
// first, and waits until each has gone.
void CloseRunningProgram();

}  // namespace zephrin
