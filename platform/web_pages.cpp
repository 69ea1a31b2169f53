#include "platform/web_pages.h"

#ifndef ZEPHRIN_WEB_HOST
#define ZEPHRIN_WEB_HOST "www.zephrin.example"
#endif

namespace zephrin {
namespace {

std::wstring Widen(const char* text) {
    std::wstring out;
    for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return out;
}

}  // namespace

// Plain http, the host alone for the home page: the addresses the maker has
// always published. They open in the desktop user's browser, never with our rights.
std::wstring HomePageUrl() { return L"http://" + Widen(ZEPHRIN_WEB_HOST); }
std::wstring SupportPageUrl() { return HomePageUrl() + L"/support/"; }

}  // namespace zephrin
