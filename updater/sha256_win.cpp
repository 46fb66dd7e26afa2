#include "updater/sha256_win.h"

#include <windows.h>
#include <wincrypt.h>

#include "common/handle_win.h"
#include "common/text_win.h"
#include "updater/update_rules.h"

namespace lumo {

namespace {

struct ProviderTraits {
    using Type = HCRYPTPROV;
    static Type Empty() { return 0; }
    static bool Valid(Type h) { return h != 0; }
    static void Free(Type h) { CryptReleaseContext(h, 0); }
};

struct HashTraits {
    using Type = HCRYPTHASH;
    static Type Empty() { return 0; }
    static bool Valid(Type h) { return h != 0; }
    static void Free(Type h) { CryptDestroyHash(h); }
};

}  // namespace

std::optional<std::string> FileSha256(const std::string& path) {
    UniqueResource<ProviderTraits> provider;
    if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        return std::nullopt;
    UniqueResource<HashTraits> hash;
    if (!CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.put()))
        return std::nullopt;
    UniqueHandle file(CreateFileW(ToW(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return std::nullopt;
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(buffer.data()), got, 0))
            return std::nullopt;
    }
    BYTE digest[32];
    DWORD size = sizeof digest;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0) || size != sizeof digest)
        return std::nullopt;
    return HexOf(std::string_view(reinterpret_cast<const char*>(digest), size));
}

}  // namespace lumo
