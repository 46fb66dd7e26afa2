#include "updater/signature_win.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <vector>

#include "common/handle_win.h"
#include "common/log.h"
#include "update_public_key.h"

namespace lumo {

namespace {

struct AlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Empty() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Free(Type h) { BCryptCloseAlgorithmProvider(h, 0); }
};

struct KeyTraits {
    using Type = BCRYPT_KEY_HANDLE;
    static Type Empty() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Free(Type h) { BCryptDestroyKey(h); }
};

struct HashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Empty() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Free(Type h) { BCryptDestroyHash(h); }
};

bool Ok(NTSTATUS status, const char* step) {
    if (status >= 0)
        return true;
    char code[16];
    wsprintfA(code, "%08lx", static_cast<unsigned long>(status));
    LogWarn("updater", std::string(step) + " failed, status 0x" + code);
    return false;
}

constexpr size_t kCoordinateBytes = 32;

}  // namespace

SignatureCheck VerifyEcdsaP256(std::string_view data, std::string_view rs,
                               std::string_view publicKeyXY) {
    if (rs.size() != 2 * kCoordinateBytes)
        return SignatureCheck::Invalid;
    if (publicKeyXY.size() != 2 * kCoordinateBytes)
        return SignatureCheck::Unavailable;

    // SHA-256 of the data.
    UniqueResource<AlgorithmTraits> sha;
    if (!Ok(BCryptOpenAlgorithmProvider(sha.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0),
            "SHA-256 provider"))
        return SignatureCheck::Unavailable;
    UniqueResource<HashTraits> hash;
    if (!Ok(BCryptCreateHash(sha.get(), hash.put(), nullptr, 0, nullptr, 0, 0), "hash"))
        return SignatureCheck::Unavailable;
    constexpr size_t kChunk = 1 << 20;
    for (size_t at = 0; at < data.size(); at += kChunk) {
        const size_t n = std::min(kChunk, data.size() - at);
        auto* p = reinterpret_cast<PUCHAR>(const_cast<char*>(data.data() + at));
        if (!Ok(BCryptHashData(hash.get(), p, static_cast<ULONG>(n), 0), "hashing"))
            return SignatureCheck::Unavailable;
    }
    UCHAR digest[32];
    if (!Ok(BCryptFinishHash(hash.get(), digest, sizeof digest, 0), "hash end"))
        return SignatureCheck::Unavailable;

    // The public key: BCRYPT_ECCKEY_BLOB followed by X and Y.
    UniqueResource<AlgorithmTraits> ecdsa;
    if (!Ok(BCryptOpenAlgorithmProvider(ecdsa.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0),
            "ECDSA P-256 provider"))
        return SignatureCheck::Unavailable;
    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + publicKeyXY.size());
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header->cbKey = kCoordinateBytes;
    std::copy(publicKeyXY.begin(), publicKeyXY.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB));
    UniqueResource<KeyTraits> key;
    if (!Ok(BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(), blob.data(),
                                static_cast<ULONG>(blob.size()), 0),
            "public key import"))
        return SignatureCheck::Unavailable;

    std::vector<UCHAR> signature(rs.begin(), rs.end());
    const NTSTATUS status =
        BCryptVerifySignature(key.get(), nullptr, digest, sizeof digest, signature.data(),
                              static_cast<ULONG>(signature.size()), 0);
    if (status >= 0)
        return SignatureCheck::Valid;
    // STATUS_INVALID_SIGNATURE is the expected answer for a wrong one;
    // anything else is logged as well, and refused all the same.
    if (status != static_cast<NTSTATUS>(0xC000A000L))
        Ok(status, "signature check");
    return SignatureCheck::Invalid;
}

SignatureCheck VerifyUpdateSignature(std::string_view data, std::string_view rs) {
    return VerifyEcdsaP256(
        data, rs,
        std::string_view(reinterpret_cast<const char*>(kUpdatePublicKey), sizeof kUpdatePublicKey));
}

}  // namespace lumo
