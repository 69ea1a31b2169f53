#include "platform/timestamps.h"

#include <oleauto.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/system_library.h"

namespace zephrin {
namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

void CivilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

std::wstring LocaleDate(LCID locale, DWORD flags, const SYSTEMTIME& st) {
    wchar_t buf[256] = {};
    if (GetDateFormatW(locale, flags, &st, nullptr, buf, 256) == 0) return {};
    return buf;
}

std::wstring LocaleTime(LCID locale, const SYSTEMTIME& st) {
    wchar_t buf[256] = {};
    if (GetTimeFormatW(locale, 0, &st, nullptr, buf, 256) == 0) return {};
    return buf;
}

// The user's short date, and the time unless it is midnight.
std::wstring ShortDateText(const SYSTEMTIME& st) {
    std::wstring result = LocaleDate(LOCALE_USER_DEFAULT, DATE_SHORTDATE, st);
    if (result.empty()) return {};
    if (st.wHour != 0 || st.wMinute != 0 || st.wSecond != 0 || st.wMilliseconds != 0) {
        const std::wstring time = LocaleTime(LOCALE_USER_DEFAULT, st);
        if (time.empty()) return {};
        result += L" " + time;
    }
    return result;
}

std::optional<DateTime> ParseOwnDateText(const std::wstring& text);

}  // namespace

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    // March-based years, so that a leap day comes last in its year.
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

DateTime DateTimeFromSystemTime(const SYSTEMTIME& st) {
    const double day = static_cast<double>(DaysFromCivil(st.wYear, st.wMonth, st.wDay)) + kUnixEpochDay;
    const double ms = ((st.wHour * 60.0 + st.wMinute) * 60.0 + st.wSecond) * 1000.0 + st.wMilliseconds;
    return day + ms / kMillisecondsPerDay;
}

SYSTEMTIME SystemTimeFromDateTime(DateTime dt) {
    double whole = std::floor(dt);
    double ms = std::nearbyint((dt - whole) * kMillisecondsPerDay);
    if (ms >= kMillisecondsPerDay) {
        whole += 1;
        ms -= kMillisecondsPerDay;
    }
    int y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(static_cast<int64_t>(whole - kUnixEpochDay), y, m, d);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    // 1899-12-30 was a Saturday; the week starts on Sunday = 0.
    st.wDayOfWeek = static_cast<WORD>(((static_cast<int64_t>(whole) % 7) + 7 + 6) % 7);
    const auto total = static_cast<int64_t>(ms);
    st.wHour = static_cast<WORD>(total / 3600000);
    st.wMinute = static_cast<WORD>(total / 60000 % 60);
    st.wSecond = static_cast<WORD>(total / 1000 % 60);
    st.wMilliseconds = static_cast<WORD>(total % 1000);
    return st;
}

DateTime CurrentLocalDateTime() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return DateTimeFromSystemTime(st);
}

int32_t TimestampFromDateTime(DateTime dt) {
    const double seconds = std::nearbyint((dt - kUnixEpochDay) * kSecondsPerDay);  // ties to even
    if (std::isnan(seconds)) return 0;
    if (seconds >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (seconds <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(seconds);
}

DateTime DateTimeFromTimestamp(int32_t seconds) {
    return static_cast<double>(seconds) / kSecondsPerDay + kUnixEpochDay;
}

std::wstring CurrentTimestampString() {
    return std::to_wstring(TimestampFromDateTime(CurrentLocalDateTime()));
}

std::optional<int32_t> ParseTimestamp(const std::wstring& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    if (i == text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

std::wstring TimestampToDateText(const std::wstring& text) {
    if (text.find_first_of(L":/") != std::wstring::npos) return text;
    const auto seconds = ParseTimestamp(text);
    if (!seconds) return {};
    return ShortDateText(SystemTimeFromDateTime(DateTimeFromTimestamp(*seconds)));
}

namespace {

// Text this program wrote (ShortDateText) is read back without OLE Automation,
// which costs the window's process its largest library: as the date and time
// whose own text it is, found among the few readings of its numbers. Any other
// text, or one with a two-digit year, is left to the system's parser.
std::optional<DateTime> ParseOwnDateText(const std::wstring& text) {
    std::vector<int> numbers, digits;
    for (size_t i = 0; i < text.size();) {
        if (text[i] < L'0' || text[i] > L'9') {
            ++i;
            continue;
        }
        int value = 0, count = 0;
        for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++count) {
            if (count == 4) return std::nullopt;
            value = value * 10 + (text[i] - L'0');
        }
        numbers.push_back(value);
        digits.push_back(count);
    }
    const size_t n = numbers.size();
    if (n != 3 && n != 5 && n != 6) return std::nullopt;
    // The year, the month and the day in each order the locale might put them.
    static constexpr int kOrders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (const auto& order : kOrders) {
        if (digits[order[0]] != 4) continue;
        const int year = numbers[order[0]], month = numbers[order[1]], day = numbers[order[2]];
        if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31) continue;
        const int hour = n > 3 ? numbers[3] : 0;
        for (int h : {hour, hour + 12, hour == 12 ? 0 : -1}) {
            if (h < 0 || h > 23 || (n == 3 && h != 0)) continue;
            SYSTEMTIME st{};
            st.wYear = static_cast<WORD>(year);
            st.wMonth = static_cast<WORD>(month);
            st.wDay = static_cast<WORD>(day);
            st.wHour = static_cast<WORD>(h);
            st.wMinute = static_cast<WORD>(n > 3 ? numbers[4] : 0);
            st.wSecond = static_cast<WORD>(n > 5 ? numbers[5] : 0);
            if (st.wMinute > 59 || st.wSecond > 59) continue;
            const DateTime moment = DateTimeFromSystemTime(st);
            const SYSTEMTIME exact = SystemTimeFromDateTime(moment);  // a 31 April becomes 1 May, and fails below
            if (ShortDateText(exact) == text) return moment;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<DateTime> ParseLocalDateText(const std::wstring& text) {
    if (text.empty()) return std::nullopt;
    if (const auto own = ParseOwnDateText(text)) return own;
    // OLE Automation is large and only this parser needs it: loaded for a text this program did not write.
    static auto* const allocString = SystemFunction<decltype(SysAllocString)>(L"oleaut32.dll", "SysAllocString");
    static auto* const freeString = SystemFunction<decltype(SysFreeString)>(L"oleaut32.dll", "SysFreeString");
    static auto* const dateFromString = SystemFunction<decltype(VarDateFromStr)>(L"oleaut32.dll", "VarDateFromStr");
    if (!allocString || !freeString || !dateFromString) return std::nullopt;
    DATE parsed = 0;
    BSTR str = allocString(text.c_str());
    if (!str) return std::nullopt;
    const HRESULT hr = dateFromString(str, LOCALE_USER_DEFAULT, 0, &parsed);
    freeString(str);
    if (FAILED(hr)) return std::nullopt;
    return parsed;
}

std::wstring FormatTimestamp(const std::wstring& text) {
    const auto parsed = ParseLocalDateText(TimestampToDateText(text));
    if (!parsed) return {};
    const SYSTEMTIME st = SystemTimeFromDateTime(*parsed);
    const std::wstring date = LocaleDate(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, st);
    const std::wstring time = LocaleTime(LOCALE_SYSTEM_DEFAULT, st);
    if (date.empty() || time.empty()) return {};
    return date + L" - " + time;
}

}  // namespace zephrin
