#include "updater/update_rules.h"

#include <cstdint>

#include "common/ini.h"
#include "common/path.h"
#include "common/text.h"

namespace lumo {

UpdaterArgs ReadUpdaterArgs(const std::vector<std::string>& argv) {
    UpdaterArgs a;
    if (argv.size() > 0)
        a.version = argv[0];
    if (argv.size() > 1)
        a.shellExe = argv[1];
    if (argv.size() > 2)
        a.versionFileUrl = argv[2];
    a.shellExeName = FileNameOf(a.shellExe);
    return a;
}

std::string ProgramFolderOfUpdater(std::string_view updaterFolder) {
    std::string folder(updaterFolder);
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    const size_t cut = folder.find_last_of("\\/");
    if (cut == std::string::npos)
        return WithTrailingSeparator(folder);
    return folder.substr(0, cut + 1);
}

std::string TempFolderOf(std::string_view updaterFolder) {
    return WithTrailingSeparator(updaterFolder) + "TmpPath\\";
}

bool IsNotFoundPage(std::string_view body) {
    return body.find("was not found on this server") != std::string_view::npos;
}

namespace {

std::uint32_t U16(std::string_view b, size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

std::uint32_t U32(std::string_view b, size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

}  // namespace

ExeCheck CheckWindowsExe(std::string_view b, ExeKind kind) {
    if (b.size() < 0x40)
        return ExeCheck::TooShort;
    if (b[0] != 'M' || b[1] != 'Z')
        return ExeCheck::NoMz;
    const std::uint32_t pe = U32(b, 0x3C);
    // Signature (4), file header (20), optional header magic (2).
    if (pe < 0x40 || pe > b.size() || b.size() - pe < 26)
        return ExeCheck::NoPeSignature;
    if (b.substr(pe, 4) != std::string_view("PE\0\0", 4))
        return ExeCheck::NoPeSignature;
    if (U16(b, pe + 4) != kind.machine)
        return ExeCheck::NotI386;
    if (U16(b, pe + 24) != kind.magic)
        return ExeCheck::NotPe32;
    return ExeCheck::Ok;
}

std::optional<std::string> ExpectedSha256(std::string_view versionFile) {
    auto value = IniDoc::Parse(versionFile).Find("version", "sha256");
    if (!value)
        return std::nullopt;
    return AsciiLower(Trim(*value));
}

std::string HexOf(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

}  // namespace lumo
