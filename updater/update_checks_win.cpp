#include "updater/update_checks_win.h"

#include <windows.h>

#include <vector>

#include "common/file.h"
#include "common/http.h"
#include "common/log.h"
#include "common/text_win.h"
#include "updater/sha256_win.h"
#include "updater/signature_win.h"
#include "updater/update_rules.h"
#include "updater/update_signature.h"

namespace lumo {

std::optional<std::uint64_t> FixedFileVersion(const std::string& path) {
    DWORD ignored = 0;
    const std::wstring wide = ToW(path);
    const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(wide.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
        length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    return std::uint64_t{info->dwFileVersionMS} << 32 | info->dwFileVersionLS;
}

std::string UpdateRejection(const std::string& downloaded, const std::string& installed,
                            const std::string& versionFileUrl) {
    const auto bytes = ReadFileBytes(downloaded);
    if (!bytes)
        return "无法读取下载的文件";
#ifdef _WIN64
    constexpr ExeKind kOwnKind{0x8664, 0x020B};
#else
    constexpr ExeKind kOwnKind{};
#endif
    if (CheckWindowsExe(*bytes, kOwnKind) != ExeCheck::Ok)
        return "下载的文件不是有效的程序";

    // The signature, before the system reads anything of the file: the
    // version file is fetched anew, so a later change on the server counts.
    std::optional<HttpResponse> version;
    if (!versionFileUrl.empty())
        version = HttpGet(versionFileUrl);
    if (!version || version->status != 200) {
        LogWarn("updater", "version file not read; no signature to check");
        return "无法读取版本文件,不能验证签名";
    }
    const UpdateSignatureField signature = ReadUpdateSignature(version->body);
    switch (signature.state) {
        case UpdateSignatureField::State::Missing:
            return "下载的文件没有签名";
        case UpdateSignatureField::State::Malformed:
            return "下载的文件签名格式有误";
        case UpdateSignatureField::State::Present:
            break;
    }
    switch (VerifyUpdateSignature(*bytes, signature.rs)) {
        case SignatureCheck::Valid:
            break;
        case SignatureCheck::Invalid:
            return "下载的文件签名无效";
        case SignatureCheck::Unavailable:
            return "系统无法验证下载文件的签名";
    }

    const auto newVersion = FixedFileVersion(downloaded);
    if (!newVersion)
        return "下载的程序没有版本信息";
    // A signed but older program replayed in place of the current one.
    if (const auto oldVersion = FixedFileVersion(installed);
        oldVersion && *newVersion < *oldVersion)
        return "下载的程序版本比当前的旧";
    // The version file may also name the digest; then it must match.
    if (auto expected = ExpectedSha256(version->body)) {
        const auto actual = FileSha256(downloaded);
        if (!actual || *actual != *expected)
            return "下载的文件校验失败";
    }
    return {};
}

}  // namespace lumo
