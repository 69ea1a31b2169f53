#pragma once
// The maker's web pages.
#include <windows.h>

#include <string>

namespace zephrin {

// The maker's pages.
std::wstring HomePageUrl();
std::wstring SupportPageUrl();

}  // namespace zephrin
