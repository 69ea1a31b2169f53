// The update request, one plain HTTP/1.1 GET per check, read as the reply's rules say.
#include "features/update_check.h"

#include <windows.h>

#include <algorithm>

#include "http_get.h"
#include "features/resolve.h"
#include "platform/text.h"
#include "platform/trace.h"

#ifndef ZEPHRIN_UPDATE_HOST
#define ZEPHRIN_UPDATE_HOST "update.zephrin.example"
#endif
#ifndef ZEPHRIN_UPDATE_PORT
#define ZEPHRIN_UPDATE_PORT 80
#endif

namespace zephrin {
namespace {

// Code page for a character-set name, where this system has it.
std::optional<UINT> CodePageFor(const std::string& charset) {
    static const struct {
        const char* name;
        UINT codePage;
    } kNames[] = {
        {"utf-8", CP_UTF8},          {"utf8", CP_UTF8},           {"us-ascii", 20127},
        {"ascii", 20127},            {"windows-1252", 1252},      {"cp1252", 1252},
        {"euc-kr", 51949},           {"ks_c_5601-1987", 949},     {"cp949", 949},
        {"shift_jis", 932},          {"euc-jp", 20932},           {"gb2312", 936},
        {"gbk", 936},                {"big5", 950},               {"koi8-r", 20866},
        {"iso-8859-2", 28592},       {"iso-8859-5", 28595},       {"iso-8859-15", 28605},
    };
    for (const auto& n : kNames)
        if (charset == n.name && IsValidCodePage(n.codePage)) return n.codePage;
    for (const char* prefix : {"windows-", "cp"}) {
        const std::string p(prefix);
        if (charset.compare(0, p.size(), p) == 0 && charset.size() > p.size() && charset.size() - p.size() <= 5 &&
            std::all_of(charset.begin() + static_cast<long>(p.size()), charset.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            const UINT cp = static_cast<UINT>(std::stoul(charset.substr(p.size())));
            if (IsValidCodePage(cp)) return cp;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::wstring> DecodeWithCodePage(const std::string& charset, const std::string& bytes) {
    const auto codePage = CodePageFor(charset);
    if (!codePage || bytes.size() > static_cast<size_t>(INT_MAX)) return std::nullopt;
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(*codePage, 0, bytes.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(*codePage, 0, bytes.data(), size, text.data(), n);
    return text;
}

int CheckForUpdateWith(const std::string& host, unsigned short port, std::chrono::seconds timeout,
                       const Resolver& resolve) {
    try {
        HttpGetRequest request;
        request.host = host;
        request.port = port;
        request.target = kUpdateTarget;
        request.headers = {{"Accept", "text/html, */*"}, {"Accept-Encoding", "identity"}, {"User-Agent", kUpdateUserAgent}};
        HttpGetDeadlines deadlines;
        deadlines.connect = deadlines.idle = deadlines.total = timeout;
        ReplyReader reader;
        const HttpGetEnd end = HttpGet(request, deadlines, [&reader](const char* data, std::size_t size) {
            return reader.Feed(data, size) == ReplyReader::State::NeedMore;
        }, resolve);
        if (end == HttpGetEnd::Closed) reader.End();
        return UpdateResult(reader, &DecodeWithCodePage);
    } catch (...) {
        TraceSwallowed(L"the HTTP exchange failed");
        return -1;
    }
}

int CheckForUpdateAt(const std::string& host, unsigned short port, std::chrono::seconds timeout) {
    return CheckForUpdateWith(host, port, timeout, &SystemResolve);
}

int CheckForUpdate() { return CheckForUpdateAt(ZEPHRIN_UPDATE_HOST, ZEPHRIN_UPDATE_PORT, kUpdateTimeout); }

}  // namespace zephrin
