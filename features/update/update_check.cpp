#include "features/update_check.h"

#include <cmath>

namespace zephrin {

long long WholeDaysBetween(DateTime a, DateTime b) {
    return static_cast<long long>(std::trunc(std::fabs(a - b)));
}

std::optional<bool> UpdateCheckDue(const std::wstring& storedUpdatedDate, DateTime now) {
    const auto stored = ParseLocalDateText(TimestampToDateText(storedUpdatedDate));
    if (!stored) return std::nullopt;
    return WholeDaysBetween(now, *stored) > 45;
}

}  // namespace zephrin
