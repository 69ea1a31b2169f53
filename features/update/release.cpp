#include "features/release.h"

#include "platform/timestamps.h"

#include <map>

namespace zephrin {
namespace {

constexpr std::string_view kHeading = "ZEPHRIN-RELEASE 1";
constexpr std::string_view kSignatureLine = "\nsignature: ";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsLowerHex(std::string_view text) {
    for (char c : text)
        if (HexDigit(c) < 0) return false;
    return !text.empty();
}

std::optional<std::uint64_t> WholeNumber(std::string_view text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    std::uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    return n;
}

// A path the updater will ask the same server for: absolute, plain characters, no way upward.
bool IsPlainServerPath(std::string_view path) {
    if (path.size() < 2 || path.size() > 200 || path[0] != '/') return false;
    for (char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                           c == '.' || c == '-' || c == '_';
        if (!plain) return false;
    }
    return path.find("..") == std::string_view::npos && path.find("//") == std::string_view::npos;
}

std::optional<std::vector<unsigned>> VersionParts(std::string_view v) {
    std::vector<unsigned> parts;
    size_t start = 0;
    while (true) {
        const size_t dot = v.find('.', start);
        const auto n = WholeNumber(v.substr(start, dot == std::string_view::npos ? v.npos : dot - start));
        if (!n || *n > 0xffff || parts.size() == 4) return std::nullopt;
        parts.push_back(static_cast<unsigned>(*n));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    if (parts.size() != 4) return std::nullopt;
    return parts;
}

}  // namespace

std::optional<SignedText> SplitSignature(std::string_view manifest) {
    const size_t at = manifest.rfind(kSignatureLine);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view hex = manifest.substr(at + kSignatureLine.size());
    if (!hex.empty() && hex.back() == '\n') hex.remove_suffix(1);
    if (!IsLowerHex(hex) || hex.size() % 2 != 0 || hex.size() > 4096) return std::nullopt;
    SignedText result;
    result.signedPart = manifest.substr(0, at + 1);
    for (size_t i = 0; i < hex.size(); i += 2)
        result.signature.push_back(static_cast<unsigned char>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1])));
    return result;
}

std::optional<Release> ParseRelease(std::string_view text) {
    if (text.substr(0, kHeading.size() + 1) != std::string(kHeading) + "\n") return std::nullopt;
    text.remove_prefix(kHeading.size() + 1);
    std::map<std::string, std::string, std::less<>> fields;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // every line ends
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        const size_t colon = line.find(": ");
        if (colon == std::string_view::npos || colon == 0) return std::nullopt;
        // A field named twice would leave it to the reader which one counts.
        if (!fields.emplace(std::string(line.substr(0, colon)), std::string(line.substr(colon + 2))).second)
            return std::nullopt;
    }
    const auto field = [&](std::string_view name) -> const std::string* {
        const auto it = fields.find(name);
        return it == fields.end() ? nullptr : &it->second;
    };
    const std::string* version = field("version");
    const std::string* setup = field("setup");
    const std::string* size = field("size");
    const std::string* sha256 = field("sha256");
    const std::string* issued = field("issued");
    const std::string* expires = field("expires");
    const std::string* serial = field("serial");
    if (!version || !setup || !size || !sha256 || !issued || !expires || !serial) return std::nullopt;
    const auto bytes = WholeNumber(*size);
    if (!VersionParts(*version) || !IsPlainServerPath(*setup) || !bytes || *bytes == 0 || *bytes > kMaxSetupBytes ||
        sha256->size() != 64 || !IsLowerHex(*sha256))
        return std::nullopt;
    const auto from = ParseUtcTime(*issued);
    const auto until = ParseUtcTime(*expires);
    const auto number = WholeNumber(*serial);
    if (!from || !until || *until <= *from || *until - *from > kMaxManifestLife) return std::nullopt;
    if (!number || *number == 0 || *number > 0xFFFFFFFFu) return std::nullopt;
    return Release{*version, *setup, *bytes, *sha256, *from, *until, static_cast<std::uint32_t>(*number)};
}

std::optional<std::int64_t> ParseUtcTime(std::string_view text) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const auto part = [&](size_t at, size_t length) { return WholeNumber(text.substr(at, length)); };
    const auto year = part(0, 4), month = part(5, 2), day = part(8, 2);
    const auto hour = part(11, 2), minute = part(14, 2), second = part(17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (*year < 1970 || *month < 1 || *month > 12 || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    const bool leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (*day < 1 || *day > kDays[*month - 1] + (leap && *month == 2 ? 1 : 0)) return std::nullopt;
    const std::int64_t days = DaysFromCivil(*year, static_cast<unsigned>(*month), static_cast<unsigned>(*day));
    return days * 86400 + static_cast<std::int64_t>(*hour * 3600 + *minute * 60 + *second);
}

Freshness JudgeFreshness(const Release& release, std::int64_t now, std::int64_t builtAt,
                         std::uint32_t highestSerial) {
    if (release.serial < highestSerial) return Freshness::Replayed;
    if (now >= builtAt && now > release.expires) return Freshness::Expired;
    return Freshness::Fresh;
}

std::optional<int> CompareVersions(std::string_view a, std::string_view b) {
    const auto pa = VersionParts(a);
    const auto pb = VersionParts(b);
    if (!pa || !pb) return std::nullopt;
    if (*pa < *pb) return -1;
    return *pa == *pb ? 0 : 1;
}

}  // namespace zephrin
