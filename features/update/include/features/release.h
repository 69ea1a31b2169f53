#pragma once
// The release manifest: what the update server says the newest version is,
// signed by the maker. Its text is
//
//   ZEPHRIN-RELEASE 1
//   version: 7.8.19.2015
//   setup: /downloads/zephrin/ZephrinSetup-7.8.19.2015.exe
//   size: 661111
//   sha256: <64 lower-case hexadecimal digits>
//   issued: 2026-12-10T09:30:00Z
//   expires: 2027-01-24T09:30:00Z
//   serial: 42
//   signature: <the RSA signature in hexadecimal>
//
// The signature covers every byte before its own line, exactly as sent.
// Nothing in a manifest is read before that signature checks. The times are
// UTC; a manifest lives at most kMaxManifestLife, and every manifest the maker
// publishes has a higher serial than the one before, so that an old signed
// manifest can neither be served again nor kept being served for ever.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zephrin {

// Where the updater asks for the manifest, on the update server.
inline constexpr char kReleaseManifestTarget[] = "/downloads/zephrin/release.manifest";
// No manifest is longer; no setup program is larger.
inline constexpr std::size_t kMaxManifestBytes = 16 * 1024;
inline constexpr std::uint64_t kMaxSetupBytes = 256ull * 1024 * 1024;

struct SignedText {
    std::string_view signedPart;  // the bytes the signature covers
    std::vector<unsigned char> signature;
};
// Splits a manifest into its signed bytes and its signature; nullopt when it has no well-formed signature line.
std::optional<SignedText> SplitSignature(std::string_view manifest);

inline constexpr std::int64_t kMaxManifestLife = 60 * 24 * 3600;  // seconds

struct Release {
    std::string version;
    std::string setupPath;  // a path on the update server, from its root
    std::uint64_t size = 0;
    std::string sha256;     // lower-case hexadecimal
    std::int64_t issued = 0;   // seconds since 1970-01-01 UTC
    std::int64_t expires = 0;  // likewise; after `issued`, by at most kMaxManifestLife
    std::uint32_t serial = 0;  // 1 or more
};
// The release that verified bytes name; nullopt for anything malformed,
// a field missing, or a life longer than kMaxManifestLife.
std::optional<Release> ParseRelease(std::string_view signedPart);

// "YYYY-MM-DDTHH:MM:SSZ" as seconds since 1970-01-01 UTC; nullopt for any other text.
std::optional<std::int64_t> ParseUtcTime(std::string_view text);

enum class Freshness {
    Fresh,
    Expired,   // past its `expires`, by a clock that can be believed
    Replayed,  // a lower serial than a manifest already acted on
};
// `now`: this computer's clock; `builtAt`: when this updater was built. A
// clock before that is plainly wrong, and it cannot tell that a manifest
// expired; the serial still can. `highestSerial`: the highest serial acted on before, 0 for none.
Freshness JudgeFreshness(const Release& release, std::int64_t now, std::int64_t builtAt,
                         std::uint32_t highestSerial);

// "a.b.c.d" compared part by part as numbers; nullopt when either is not such a text.
std::optional<int> CompareVersions(std::string_view a, std::string_view b);

}  // namespace zephrin
