#include "platform/crypto.h"

#include <windows.h>

#include <wincrypt.h>

#include <algorithm>

namespace zephrin {
namespace {

// A verify-only context: no key container is created or touched. 0 when the system has none.
HCRYPTPROV AcquireVerifyContext() {
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextW(&handle, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) return 0;
    return handle;
}

class Provider {
public:
    Provider() : handle_(AcquireVerifyContext()) {}
    ~Provider() {
        if (handle_) CryptReleaseContext(handle_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    HCRYPTPROV get() const { return handle_; }

private:
    HCRYPTPROV handle_ = 0;
};

struct HashHandle {
    HCRYPTHASH h = 0;
    ~HashHandle() {
        if (h) CryptDestroyHash(h);
    }
};

struct KeyHandle {
    HCRYPTKEY h = 0;
    ~KeyHandle() {
        if (h) CryptDestroyKey(h);
    }
};

// PEM text to the DER bytes of a SubjectPublicKeyInfo.
std::vector<BYTE> PemToDer(std::string_view pem) {
    if (pem.size() > 64 * 1024) return {};
    DWORD size = 0;
    const DWORD length = static_cast<DWORD>(pem.size());
    if (!CryptStringToBinaryA(pem.data(), length, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
        return {};
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(pem.data(), length, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
        return {};
    der.resize(size);
    return der;
}

bool ImportPublicKey(HCRYPTPROV provider, const std::vector<BYTE>& der, KeyHandle& key) {
    CERT_PUBLIC_KEY_INFO* info = nullptr;
    DWORD infoSize = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(), static_cast<DWORD>(der.size()),
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &info, &infoSize))
        return false;
    const bool imported = CryptImportPublicKeyInfo(provider, X509_ASN_ENCODING, info, &key.h) != FALSE;
    LocalFree(info);
    return imported;
}

}  // namespace

SignatureCheck VerifyRsaSha256(std::string_view publicKeyPem, std::string_view data,
                               const std::vector<unsigned char>& signature) {
    Provider provider;
    if (!provider.get()) return SignatureCheck::Unavailable;
    HashHandle hash;
    if (!CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, &hash.h)) return SignatureCheck::Unavailable;
    const std::vector<BYTE> der = PemToDer(publicKeyPem);
    KeyHandle key;
    // A key we carry but cannot read is our fault, not the signer's: nothing can be checked.
    if (der.empty() || !ImportPublicKey(provider.get(), der, key)) return SignatureCheck::Unavailable;
    if (signature.empty() || signature.size() > 2048 || data.size() > 0x7fffffff) return SignatureCheck::Invalid;
    if (!CryptHashData(hash.h, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0))
        return SignatureCheck::Unavailable;
    // CryptoAPI takes the signature least significant byte first.
    std::vector<BYTE> reversed(signature.rbegin(), signature.rend());
    if (CryptVerifySignatureW(hash.h, reversed.data(), static_cast<DWORD>(reversed.size()), key.h, nullptr, 0))
        return SignatureCheck::Valid;
    return SignatureCheck::Invalid;
}

Sha256::Sha256() {
    const HCRYPTPROV provider = AcquireVerifyContext();
    if (!provider) return;
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        CryptReleaseContext(provider, 0);
        return;
    }
    provider_ = provider;
    hash_ = hash;
}

Sha256::~Sha256() {
    if (hash_) CryptDestroyHash(static_cast<HCRYPTHASH>(hash_));
    if (provider_) CryptReleaseContext(static_cast<HCRYPTPROV>(provider_), 0);
}

bool Sha256::Add(const void* data, std::size_t size) {
    if (!hash_ || failed_) return false;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    while (size > 0) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
        if (!CryptHashData(static_cast<HCRYPTHASH>(hash_), bytes, piece, 0)) {
            failed_ = true;
            return false;
        }
        bytes += piece;
        size -= piece;
    }
    return true;
}

std::optional<std::string> Sha256::FinishHex() {
    if (!hash_ || failed_) return std::nullopt;
    BYTE value[32];
    DWORD size = sizeof value;
    if (!CryptGetHashParam(static_cast<HCRYPTHASH>(hash_), HP_HASHVAL, value, &size, 0) || size != sizeof value)
        return std::nullopt;
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (BYTE b : value) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

}  // namespace zephrin
