#pragma once
// SHA-256 and RSA signature checks through the system's own cryptographic
// provider (RSA with AES, on every Windows from XP SP3 on). No cryptography is
// computed by our own code; it only reads the key's PEM and DER encoding.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zephrin {

enum class SignatureCheck {
    Valid,
    Invalid,
    // The system cannot check this kind of signature at all; never to be taken as Valid.
    Unavailable,
};

// Whether `signature` (PKCS #1 v1.5, big-endian as OpenSSL writes it) is the
// holder of `publicKeyPem`'s private key signing the SHA-256 of `data`.
SignatureCheck VerifyRsaSha256(std::string_view publicKeyPem, std::string_view data,
                               const std::vector<unsigned char>& signature);

// Bytes as lower-case hexadecimal, two digits each.
std::string LowerHex(const unsigned char* data, std::size_t size);

// SHA-256 over bytes fed in pieces.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // False when the system has no SHA-256; the hash is then unusable.
    bool Ready() const { return hash_ != 0; }
    bool Add(const void* data, std::size_t size);
    // Lower-case hexadecimal; nullopt when a piece could not be hashed.
    std::optional<std::string> FinishHex();

private:
    std::uintptr_t provider_ = 0;
    std::uintptr_t hash_ = 0;
    bool failed_ = false;
};

}  // namespace zephrin
