// sign_update end to end: a program signed with the test key, its version
// file read as the updater reads it, and the signature checked by openssl
// against the public key that builds compile in; the maker server's
// signatures, which the updater's tests rely on.
#include <gtest/gtest.h>
#include <httplib.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/makerserver/server_process.h"
#include "tools/release/update_signing.h"
#include "updater/update_rules.h"
#include "updater/update_signature.h"

namespace {

namespace fs = std::filesystem;

std::string Utf16(std::string_view ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out + std::string(2, '\0');
}

// Bytes that look like a program's version resource to the tool.
std::string ProgramWithVersion(const std::string& version) {
    std::string b = "MZ" + std::string(62, '\x90') + Utf16("FileVersion") + Utf16("0.0.0.1");
    b += std::string(7, '\x11') + Utf16("VS_VERSION_INFO");
    // As in a string table entry: the key 2 bytes past a 4-byte boundary,
    // the value at the next boundary after it.
    while (b.size() % 4 != 2) b += '\0';
    b += Utf16("FileVersion") + std::string(2, '\0');
    b += Utf16(version) + std::string(300, '\x42');
    return b;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const fs::path& p, const std::string& data) {
    std::ofstream(p, std::ios::binary) << data;
}

// A DER INTEGER of a 32-byte unsigned big-endian number.
std::string DerInteger(std::string n) {
    while (n.size() > 1 && n[0] == '\0' && !(n[1] & 0x80)) n.erase(0, 1);
    if (n[0] & 0x80)
        n.insert(0, 1, '\0');
    return std::string{'\x02', static_cast<char>(n.size())} + n;
}

class SignUpdateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("sign-update-test-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    int Run(const std::string& args) {
        const std::string command = std::string(SIGN_UPDATE_PATH) + " --key " + LUMO_KEYS_DIR +
                                    "/test-release.pem " + args + " 2>" + (dir_ / "err").string();
        return std::system(command.c_str());
    }

    fs::path dir_;
};

TEST_F(SignUpdateTest, SignsTheExactBytesInTheFormTheUpdaterReadsAndOpensslAccepts) {
    const std::string program = ProgramWithVersion("2.3.4.5");
    WriteAll(dir_ / "Lumo.exe", program);
    ASSERT_EQ(Run("--file " + (dir_ / "Lumo.exe").string() + " --image-path http://x/n.html" +
                  " --out " + (dir_ / "config.ini").string()),
              0)
        << ReadAll(dir_ / "err");
    const std::string versionFile = ReadAll(dir_ / "config.ini");
    EXPECT_EQ(versionFile.rfind("[version]\r\nversion=2.3.4.5\r\nImagePath=http://x/n.html\r\n", 0),
              0u)
        << versionFile;

    // What the updater reads from it.
    const auto field = lumo::ReadUpdateSignature(versionFile);
    ASSERT_EQ(field.state, lumo::UpdateSignatureField::State::Present) << versionFile;
    ASSERT_EQ(field.rs.size(), 64u);
    EXPECT_TRUE(lumo::ExpectedSha256(versionFile).has_value());

    // r||s as DER for openssl, checked against the public key file, for the
    // program and (refused) for the program with one byte changed.
    const std::string body = DerInteger(field.rs.substr(0, 32)) + DerInteger(field.rs.substr(32));
    WriteAll(dir_ / "sig.der", std::string{'\x30', static_cast<char>(body.size())} + body);
    std::string changed = program;
    changed[100] ^= 1;
    WriteAll(dir_ / "changed.exe", changed);
    const std::string verify = "openssl dgst -sha256 -verify " + std::string(LUMO_KEYS_DIR) +
                               "/test-release-public.pem -signature " +
                               (dir_ / "sig.der").string() + " ";
    EXPECT_EQ(std::system((verify + (dir_ / "Lumo.exe").string() + " >/dev/null").c_str()), 0);
    EXPECT_NE(std::system((verify + (dir_ / "changed.exe").string() + " >/dev/null").c_str()), 0);

    // The tool's own check agrees.
    const std::string check = " --check " + (dir_ / "config.ini").string() + " >/dev/null";
    EXPECT_EQ(Run("--file " + (dir_ / "Lumo.exe").string() + check), 0);
    EXPECT_NE(Run("--file " + (dir_ / "changed.exe").string() + check), 0);

    // The announced version must be the program's own, and there must be one.
    EXPECT_NE(Run("--file " + (dir_ / "Lumo.exe").string() + " --version 2.3.4.6"), 0);
    EXPECT_NE(ReadAll(dir_ / "err").find("differs"), std::string::npos);
    WriteAll(dir_ / "bare.exe", "MZ" + std::string(500, '\0'));
    EXPECT_NE(Run("--file " + (dir_ / "bare.exe").string()), 0);
    EXPECT_NE(ReadAll(dir_ / "err").find("no FileVersion"), std::string::npos);
}

TEST(MakerServerSignature, SignsTheServedUpdateWithItsKeyOrAsTheSwitchesSay) {
    const std::string keys = LUMO_KEYS_DIR;
    std::ifstream in(keys + "/test-release-public.pem");
    std::ostringstream publicKey;
    publicKey << in.rdbuf();
    makerserver_test::ServerProcess server;
    ASSERT_TRUE(server.Start({"--sign-key", keys + "/test-release.pem"}));
    httplib::Client http("127.0.0.1", server.Port());
    auto signature = [&] {
        const auto res = http.Get("/user/VersionInfo/config.ini");
        return lumo::ReadUpdateSignature(res ? res->body : "");
    };
    auto update = [&] {
        const auto res = http.Get("/user/VersionInfo/Lumo");
        return res ? res->body : "";
    };
    using State = lumo::UpdateSignatureField::State;
    auto field = signature();
    ASSERT_EQ(field.state, State::Present);
    EXPECT_TRUE(lumo::release::VerifyUpdate(publicKey.str(), update(), field.rs));

    ASSERT_TRUE(http.Get("/_control/set?updatesize=2000&signkey=" + keys + "/other-key.pem"));
    field = signature();
    ASSERT_EQ(field.state, State::Present);
    EXPECT_FALSE(lumo::release::VerifyUpdate(publicKey.str(), update(), field.rs));
    ASSERT_TRUE(http.Get("/_control/set?signature=none"));
    EXPECT_EQ(signature().state, State::Missing);
    ASSERT_TRUE(http.Get("/_control/set?signature=AAAA"));
    EXPECT_EQ(signature().state, State::Malformed);
    ASSERT_TRUE(http.Get("/_control/reset"));
    field = signature();
    ASSERT_EQ(field.state, State::Present);
    EXPECT_TRUE(lumo::release::VerifyUpdate(publicKey.str(), update(), field.rs));
}

}  // namespace
