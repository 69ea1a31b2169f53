#pragma once
// The release manifest: what the update server says the newest version is,
// signed by the maker. Its text is
//
//   ZEPHRIN-RELEASE 1
//   version: 7.8.19.2015
//   setup: /downloads/zephrin/ZephrinSetup-7.8.19.2015.exe
//   size: 661111
//   sha256: <64 lower-case hexadecimal digits>
//   signature: <the RSA signature in hexadecimal>
//
// The signature covers every byte before its own line, exactly as sent.
// Nothing in a manifest is read before that signature checks.
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

struct Release {
    std::string version;
    std::string setupPath;  // a path on the update server, from its root
    std::uint64_t size = 0;
    std::string sha256;     // lower-case hexadecimal
};
// The release that verified bytes name; nullopt for anything malformed.
std::optional<Release> ParseRelease(std::string_view signedPart);

// "a.b.c.d" compared part by part as numbers; nullopt when either is not such a text.
std::optional<int> CompareVersions(std::string_view a, std::string_view b);

}  // namespace zephrin
