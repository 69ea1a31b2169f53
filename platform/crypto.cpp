#include "platform/crypto.h"

#include <windows.h>

#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <iterator>

// The headers name the RSA and AES provider and SHA-256 only to programs built
// for the systems that always have them (XP SP3 on). Built for Windows 2000,
// we ask for them by value, and a system without them says so at run time.
#ifndef PROV_RSA_AES
#define PROV_RSA_AES 24
#endif
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

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

// PEM text to the DER bytes of a SubjectPublicKeyInfo: the Base64 between the
// BEGIN and END lines. Decoded here: the system's decoder for it came with XP.
std::vector<BYTE> PemToDer(std::string_view pem) {
    constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----", kEnd = "-----END PUBLIC KEY-----";
    if (pem.size() > 64 * 1024) return {};
    const size_t begin = pem.find(kBegin);
    const size_t end = begin == std::string_view::npos ? begin : pem.find(kEnd, begin + kBegin.size());
    if (end == std::string_view::npos) return {};
    std::vector<BYTE> der;
    unsigned bits = 0, count = 0, padding = 0;
    for (const char c : pem.substr(begin + kBegin.size(), end - begin - kBegin.size())) {
        unsigned v;
        if (c >= 'A' && c <= 'Z') v = static_cast<unsigned>(c - 'A');
        else if (c >= 'a' && c <= 'z') v = static_cast<unsigned>(c - 'a') + 26;
        else if (c >= '0' && c <= '9') v = static_cast<unsigned>(c - '0') + 52;
        else if (c == '+') v = 62;
        else if (c == '/') v = 63;
        else if (c == '=') { ++padding; continue; }
        else if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
        else return {};
        if (padding) return {};  // nothing but padding after padding
        bits = (bits << 6) | v;
        if (++count % 4 == 0) {
            der.push_back(static_cast<BYTE>(bits >> 16));
            der.push_back(static_cast<BYTE>(bits >> 8));
            der.push_back(static_cast<BYTE>(bits));
            bits = 0;
        }
    }
    switch (count % 4) {
    case 0: break;
    case 2: der.push_back(static_cast<BYTE>(bits >> 4)); break;
    case 3:
        der.push_back(static_cast<BYTE>(bits >> 10));
        der.push_back(static_cast<BYTE>(bits >> 2));
        break;
    default: return {};
    }
    return der;
}

// One DER element: its tag and its contents, inside the bytes it was read from.
struct DerElement {
    BYTE tag = 0;
    const BYTE* data = nullptr;
    size_t size = 0;
};

// Reads the element at `at` and moves `at` past it; false when it does not fit.
bool ReadDer(const BYTE* begin, size_t size, size_t& at, DerElement& out) {
    if (at + 2 > size) return false;
    out.tag = begin[at++];
    size_t length = begin[at++];
    if (length & 0x80) {
        const size_t count = length & 0x7F;
        if (count == 0 || count > 4 || at + count > size) return false;
        length = 0;
        for (size_t i = 0; i < count; ++i) length = (length << 8) | begin[at++];
    }
    if (length > size - at) return false;
    out.data = begin + at;
    out.size = length;
    at += length;
    return true;
}

// An RSA SubjectPublicKeyInfo as CryptoAPI's own public-key blob, which ADVAPI32
// imports by itself: the parser for the DER form lives in CRYPT32, a library we
// need not load.
std::vector<BYTE> RsaPublicKeyBlob(const std::vector<BYTE>& der) {
    static const BYTE kRsaEncryption[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
    size_t at = 0;
    DerElement info, algorithm, oid, bits;
    if (!ReadDer(der.data(), der.size(), at, info) || info.tag != 0x30) return {};
    at = 0;
    if (!ReadDer(info.data, info.size, at, algorithm) || algorithm.tag != 0x30 ||
        !ReadDer(info.data, info.size, at, bits) || bits.tag != 0x03 || bits.size < 1 || bits.data[0] != 0)
        return {};
    size_t inner = 0;
    if (!ReadDer(algorithm.data, algorithm.size, inner, oid) || oid.tag != 0x06 || oid.size != sizeof kRsaEncryption ||
        !std::equal(oid.data, oid.data + oid.size, kRsaEncryption))
        return {};
    DerElement key, modulus, exponent;
    at = 0;
    if (!ReadDer(bits.data + 1, bits.size - 1, at, key) || key.tag != 0x30) return {};
    at = 0;
    if (!ReadDer(key.data, key.size, at, modulus) || modulus.tag != 0x02 ||
        !ReadDer(key.data, key.size, at, exponent) || exponent.tag != 0x02)
        return {};
    while (modulus.size > 0 && modulus.data[0] == 0) ++modulus.data, --modulus.size;
    while (exponent.size > 0 && exponent.data[0] == 0) ++exponent.data, --exponent.size;
    if (modulus.size < 64 || modulus.size > 2048 || exponent.size == 0 || exponent.size > 4) return {};
    DWORD publicExponent = 0;
    for (size_t i = 0; i < exponent.size; ++i) publicExponent = (publicExponent << 8) | exponent.data[i];

    BLOBHEADER header{PUBLICKEYBLOB, CUR_BLOB_VERSION, 0, CALG_RSA_KEYX};
    RSAPUBKEY rsa{0x31415352 /* "RSA1" */, static_cast<DWORD>(modulus.size * 8), publicExponent};
    std::vector<BYTE> blob(sizeof header + sizeof rsa);
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, &rsa, sizeof rsa);
    // The blob holds the modulus least significant byte first.
    blob.insert(blob.end(), std::make_reverse_iterator(modulus.data + modulus.size),
                std::make_reverse_iterator(modulus.data));
    return blob;
}

bool ImportPublicKey(HCRYPTPROV provider, const std::vector<BYTE>& der, KeyHandle& key) {
    const std::vector<BYTE> blob = RsaPublicKeyBlob(der);
    return !blob.empty() &&
           CryptImportKey(provider, blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &key.h) != FALSE;
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
    return LowerHex(value, sizeof value);
}

std::string LowerHex(const unsigned char* data, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        hex += kDigits[data[i] >> 4];
        hex += kDigits[data[i] & 15];
    }
    return hex;
}

}  // namespace zephrin
