#include "tools/release/update_signing.h"

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

#include "common/base64.h"

namespace lumo::release {

namespace {

constexpr size_t kHalf = 32;

template <class T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;
using Sig = std::unique_ptr<ECDSA_SIG, Deleter<ECDSA_SIG, ECDSA_SIG_free>>;

std::string OpenSslError() {
    const unsigned long code = ERR_get_error();
    char text[256] = "unknown error";
    if (code != 0)
        ERR_error_string_n(code, text, sizeof text);
    return text;
}

// Private key first, else public; only P-256 keys.
Key ReadKey(std::string_view pem, bool privateOnly, std::string& error) {
    Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    Key key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!key && !privateOnly) {
        bio.reset(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
        key.reset(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    }
    if (!key) {
        error = "no PEM key: " + OpenSslError();
        return nullptr;
    }
    char group[64] = "";
    size_t length = 0;
    if (EVP_PKEY_base_id(key.get()) != EVP_PKEY_EC ||
        !EVP_PKEY_get_group_name(key.get(), group, sizeof group, &length) ||
        std::string_view(group) != "prime256v1") {
        error = "the key is not an ECDSA P-256 key";
        return nullptr;
    }
    return key;
}

std::string FixedWidth(const BIGNUM* n) {
    std::string out(kHalf, '\0');
    BN_bn2binpad(n, reinterpret_cast<unsigned char*>(out.data()), kHalf);
    return out;
}

}  // namespace

std::optional<std::string> SignUpdate(std::string_view privateKeyPem, std::string_view data,
                                      std::string& error) {
    Key key = ReadKey(privateKeyPem, true, error);
    if (!key)
        return std::nullopt;
    MdCtx ctx(EVP_MD_CTX_new());
    size_t length = 0;
    if (!EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) ||
        !EVP_DigestSign(ctx.get(), nullptr, &length,
                        reinterpret_cast<const unsigned char*>(data.data()), data.size())) {
        error = "signing failed: " + OpenSslError();
        return std::nullopt;
    }
    std::string der(length, '\0');
    auto* out = reinterpret_cast<unsigned char*>(der.data());
    if (!EVP_DigestSign(ctx.get(), out, &length,
                        reinterpret_cast<const unsigned char*>(data.data()), data.size())) {
        error = "signing failed: " + OpenSslError();
        return std::nullopt;
    }
    // OpenSSL's DER SEQUENCE { r, s } to CNG's fixed-width r||s.
    const unsigned char* in = out;
    Sig sig(d2i_ECDSA_SIG(nullptr, &in, static_cast<long>(length)));
    if (!sig) {
        error = "unreadable signature: " + OpenSslError();
        return std::nullopt;
    }
    return FixedWidth(ECDSA_SIG_get0_r(sig.get())) + FixedWidth(ECDSA_SIG_get0_s(sig.get()));
}

bool VerifyUpdate(std::string_view keyPem, std::string_view data, std::string_view rs) {
    std::string error;
    Key key = ReadKey(keyPem, false, error);
    if (!key || rs.size() != 2 * kHalf)
        return false;
    Sig sig(ECDSA_SIG_new());
    const auto* raw = reinterpret_cast<const unsigned char*>(rs.data());
    BIGNUM* r = BN_bin2bn(raw, kHalf, nullptr);
    BIGNUM* s = BN_bin2bn(raw + kHalf, kHalf, nullptr);
    if (!ECDSA_SIG_set0(sig.get(), r, s)) {
        BN_free(r);
        BN_free(s);
        return false;
    }
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(sig.get(), &der);
    if (derLength <= 0)
        return false;
    MdCtx ctx(EVP_MD_CTX_new());
    const bool ok =
        EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
        EVP_DigestVerify(ctx.get(), der, static_cast<size_t>(derLength),
                         reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
    OPENSSL_free(der);
    ERR_clear_error();
    return ok;
}

std::string ProgramFileVersion(std::string_view b) {
    // The string table entry: key "FileVersion" in UTF-16LE with its
    // terminator, padding to a 4-byte boundary, the value up to its NUL.
    // Searched for behind the resource's own key, since the program's code
    // may hold the text "FileVersion" as well.
    auto utf16 = [](std::u16string_view text) {
        std::string out;
        for (char16_t c : text) {
            out += static_cast<char>(c & 0xFF);
            out += static_cast<char>(c >> 8);
        }
        return out;
    };
    const size_t info = b.find(utf16(std::u16string_view(u"VS_VERSION_INFO\0", 16)));
    const std::string key = utf16(std::u16string_view(u"FileVersion\0", 12));
    const size_t at = info == std::string_view::npos ? info : b.find(key, info);
    if (at == std::string_view::npos)
        return "";
    std::string value;
    for (size_t i = (at + key.size() + 3) & ~size_t{3}; i + 1 < b.size(); i += 2) {
        const unsigned c = static_cast<unsigned char>(b[i]) | static_cast<unsigned char>(b[i + 1])
                                                                  << 8;
        if (c == 0)
            return value;
        if ((c < '0' || c > '9') && c != '.')
            return "";
        value += static_cast<char>(c);
    }
    return "";
}

std::string VersionFileText(const VersionFileFields& f) {
    std::string text = "[version]\r\nversion=" + f.version + "\r\n";
    if (!f.imagePath.empty())
        text += "ImagePath=" + f.imagePath + "\r\n";
    if (!f.sha256Hex.empty())
        text += "sha256=" + f.sha256Hex + "\r\n";
    if (!f.signatureRs.empty())
        text += "signature=" + Base64Encode(f.signatureRs) + "\r\n";
    return text;
}

std::string Sha256HexOf(std::string_view data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return hex;
}

}  // namespace lumo::release
