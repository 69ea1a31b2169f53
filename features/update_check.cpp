#include "features/update_check.h"

#include <cmath>

#include "platform/text.h"

namespace zephrin {

int FindUpdateMarker(const std::wstring& replyText) {
    const std::wstring text = TrimControlChars(replyText);
    if (text.find(L"ORVANE|0") != std::wstring::npos) return 0;
    if (text.find(L"ORVANE|1") != std::wstring::npos) return 1;
    if (text.find(L"ORVANE|2") != std::wstring::npos) return 2;
    return -1;
}

long long WholeDaysBetween(DateTime a, DateTime b) {
    return static_cast<long long>(std::trunc(std::fabs(a - b)));
}

std::optional<bool> UpdateCheckDue(const std::wstring& storedUpdatedDate, DateTime now) {
    const auto stored = ParseLocalDateText(TimestampToDateText(storedUpdatedDate));
    if (!stored) return std::nullopt;
    return WholeDaysBetween(now, *stored) > 45;
}

}  // namespace zephrin
