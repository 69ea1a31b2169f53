#pragma once
// Hints shown by the system's own tooltip control.
namespace zephrin {

void InstallNativeHints();
void ReleaseNativeHints();

}  // namespace zephrin
