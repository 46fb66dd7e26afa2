// sign_update: signs a new Lumo.exe with the maker's private key and writes
// the version file that announces it (see docs/releasing.md).
//
//   sign_update --key PRIVATE.pem --file Lumo.exe [--version V]
//               [--image-path ADDRESS] [--out config.ini]
//   sign_update --key PUBLIC.pem --file Lumo.exe --check config.ini
//
// The version defaults to the program's own FileVersion; a given one must
// equal it. Without --out the version file goes to standard output. --check
// verifies a version file's signature of the program instead.
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "tools/release/update_signing.h"
#include "updater/update_signature.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "sign_update: %s\n", message.c_str());
    return 1;
}

std::optional<std::string> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

}  // namespace

int main(int argc, char** argv) {
    std::string keyPath, filePath, version, imagePath, outPath, checkPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return Fail("missing value after " + arg);
        const std::string value = argv[++i];
        if (arg == "--key")
            keyPath = value;
        else if (arg == "--file")
            filePath = value;
        else if (arg == "--version")
            version = value;
        else if (arg == "--image-path")
            imagePath = value;
        else if (arg == "--out")
            outPath = value;
        else if (arg == "--check")
            checkPath = value;
        else
            return Fail("unknown option " + arg);
    }
    if (keyPath.empty() || filePath.empty())
        return Fail(
            "usage: sign_update --key PRIVATE.pem --file Lumo.exe [--version V] "
            "[--image-path ADDRESS] [--out config.ini] | [--check config.ini]");
    const auto key = ReadAll(keyPath);
    if (!key)
        return Fail("cannot read " + keyPath);
    const auto file = ReadAll(filePath);
    if (!file)
        return Fail("cannot read " + filePath);

    if (!checkPath.empty()) {
        const auto versionFile = ReadAll(checkPath);
        if (!versionFile)
            return Fail("cannot read " + checkPath);
        const auto field = lumo::ReadUpdateSignature(*versionFile);
        if (field.state != lumo::UpdateSignatureField::State::Present)
            return Fail(checkPath + " has no well-formed signature");
        if (!lumo::release::VerifyUpdate(*key, *file, field.rs))
            return Fail("signature invalid for " + filePath);
        std::puts("signature valid");
        return 0;
    }

    // The shell offers the update while its own FileVersion differs from
    // the announced one: a mismatch would offer it for ever.
    const std::string own = lumo::release::ProgramFileVersion(*file);
    if (own.empty())
        return Fail(filePath + " has no FileVersion in its version resource");
    if (version.empty())
        version = own;
    else if (version != own)
        return Fail("--version " + version + " differs from the program's FileVersion " + own);

    std::string error;
    const auto rs = lumo::release::SignUpdate(*key, *file, error);
    if (!rs)
        return Fail(error);
    if (!lumo::release::VerifyUpdate(*key, *file, *rs))
        return Fail("the new signature does not verify");
    const std::string text = lumo::release::VersionFileText(
        {version, imagePath, lumo::release::Sha256HexOf(*file), *rs});
    if (outPath.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    if (!out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush())
        return Fail("cannot write " + outPath);
    return 0;
}
