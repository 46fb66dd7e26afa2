#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "updater/http_get.h"
#include "updater/update_rules.h"

namespace lumo {
namespace {

TEST(SplitUrl, HostPortAndPath) {
    struct Case {
        const char* url;
        const char* host;
        int port;
        const char* path;
    } cases[] = {
        {"http://www.lumogame.com/user/VersionInfo/Lumo", "www.lumogame.com", 80,
         "/user/VersionInfo/Lumo"},
        {"HTTP://127.0.0.1:18805/user/VersionInfo/Lumo", "127.0.0.1", 18805,
         "/user/VersionInfo/Lumo"},
        {"host:8080/a:b/c", "host", 8080, "/a:b/c"},  // a colon in the path is no port
        {"http://host/", "host", 80, "/"},
        {"http://host", "host", 80, "/"},
        {"http://host:/x", "host", 80, "/x"},
        {"http://host:abc/x", "host", 80, "/x"},
        {"http://host:99999/x", "host", 80, "/x"},
        {"http://user:pw@host:81/x", "host", 81, "/x"},
    };
    for (const Case& c : cases) {
        const UrlParts p = SplitUrl(c.url);
        EXPECT_EQ(p.host, c.host) << c.url;
        EXPECT_EQ(p.port, c.port) << c.url;
        EXPECT_EQ(p.path, c.path) << c.url;
    }
}

TEST(FormatPercent, ThreeDecimalsRoundedHalfUp) {
    EXPECT_EQ(FormatPercent(0, 0), "0.000%");
    EXPECT_EQ(FormatPercent(5, 0), "0.000%");
    EXPECT_EQ(FormatPercent(0, 1000), "0.000%");
    EXPECT_EQ(FormatPercent(361, 800), "45.125%");
    EXPECT_EQ(FormatPercent(1, 3), "33.333%");
    EXPECT_EQ(FormatPercent(2, 3), "66.667%");
    EXPECT_EQ(FormatPercent(1, 200000), "0.001%");  // 0.0005 rounds up
    EXPECT_EQ(FormatPercent(52428800, 52428800), "100.000%");
    EXPECT_EQ(FormatPercent(4000000000LL, 8000000000LL), "50.000%");  // past 32 bits
    // Whatever length a server announces: no overflow, never past the whole.
    EXPECT_EQ(FormatPercent(INT64_MAX / 2, INT64_MAX), "50.000%");
    EXPECT_EQ(FormatPercent(INT64_MAX, 3), "100.000%");
}

TEST(PlanResume, OnlyAnUnchangedPartOfTheSameFileResumes) {
    // marker, partial size, new Last-Modified, total -> resume, offset
    const std::string lm = "Tue, 08 Dec 2026 10:00:00 GMT";
    EXPECT_TRUE(PlanResume(lm, 300, lm, 5000).resume);
    EXPECT_EQ(PlanResume(lm, 300, lm, 5000).offset, 300u);
    EXPECT_TRUE(PlanResume(lm + " ", 300, lm, 5000).resume);  // marker line ends vary
    // Changed date, no marker, no date, nothing yet, already whole, longer
    // than the new file, or no length: start over.
    EXPECT_FALSE(PlanResume(lm, 300, "Wed, 09 Dec 2026 10:00:00 GMT", 5000).resume);
    EXPECT_FALSE(PlanResume("", 300, lm, 5000).resume);
    EXPECT_FALSE(PlanResume("", 300, "", 5000).resume);
    EXPECT_FALSE(PlanResume(lm, 0, lm, 5000).resume);
    EXPECT_FALSE(PlanResume(lm, 5000, lm, 5000).resume);
    EXPECT_FALSE(PlanResume(lm, 6000, lm, 5000).resume);
    EXPECT_FALSE(PlanResume(lm, std::nullopt, lm, 5000).resume);
    EXPECT_FALSE(PlanResume(lm, 300, lm, std::nullopt).resume);
    EXPECT_EQ(MarkerLine(lm + "\r\nmore"), lm);
    EXPECT_EQ(MarkerLine(""), "");
}

TEST(DownloadComplete, WholeBodyOrTheExactRestOnly) {
    const ContentRange rest{300, 4999, 5000};
    struct Case {
        DownloadOutcome o;
        bool ok;
    } cases[] = {
        {{200, 5000, 0, 5000, {}}, true},
        {{200, 5000, 0, 4999, {}}, false},                               // cut short
        {{200, std::nullopt, 0, 5000, {}}, false},                       // no length
        {{404, 5000, 0, 5000, {}}, false},                               // an error page
        {{206, 5000, 300, 4700, rest}, true},                            // resumed
        {{206, 5000, 300, 4000, rest}, false},                           // resumed, cut short
        {{206, 5000, 300, 4700, std::nullopt}, false},                   // no Content-Range
        {{206, 5000, 200, 4800, ContentRange{300, 4999, 5000}}, false},  // other start
        {{206, 5000, 300, 4700, ContentRange{300, 4999, 6000}}, false},  // other file
        {{200, 5000, 300, 4700, {}}, false},  // a 200 is never appended to a part
    };
    for (const Case& c : cases)
        EXPECT_EQ(DownloadComplete(c.o), c.ok) << c.o.status << " " << c.o.received;
    EXPECT_FALSE(ParseContentRange("bytes 300-299/5000"));
    EXPECT_FALSE(ParseContentRange("bytes 0-5000/5000"));
    EXPECT_FALSE(ParseContentRange("bytes */5000"));
    ASSERT_TRUE(ParseContentRange("bytes 300-4999/5000"));
    EXPECT_EQ(ParseContentRange("Bytes 300-4999/5000")->first, 300u);
    // A length past 64 bits is unknown, not wrapped round to a small one.
    EXPECT_EQ(ParseContentLength(" 5000 "), 5000u);
    EXPECT_EQ(ParseContentLength("18446744073709551615"), UINT64_MAX);
    EXPECT_FALSE(ParseContentLength("18446744073709551616"));
    EXPECT_FALSE(ParseContentLength("36893488147419108352"));  // 2^65: wrapped to 0 before
    EXPECT_FALSE(ParseContentLength("-1"));
    EXPECT_FALSE(ParseContentLength("+5"));
}

// A minimal PE32 i386 header on `size` bytes; `poke` changes it afterwards.
std::string Exe(size_t size = 512) {
    std::string b(size, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    b[0x3C] = static_cast<char>(0x80);
    std::memcpy(&b[0x80], "PE\0\0", 4);
    b[0x84] = 0x4C;
    b[0x85] = 0x01;
    b[0x98] = 0x0B;
    b[0x99] = 0x01;
    return b;
}

TEST(CheckWindowsExe, OnlyA32BitWindowsProgramPasses) {
    EXPECT_EQ(CheckWindowsExe(Exe()), ExeCheck::Ok);
    EXPECT_EQ(CheckWindowsExe(""), ExeCheck::TooShort);
    EXPECT_EQ(CheckWindowsExe(Exe().substr(0, 0x3F)), ExeCheck::TooShort);
    EXPECT_EQ(CheckWindowsExe(Exe().substr(0, 0x90)), ExeCheck::NoPeSignature);  // truncated
    EXPECT_EQ(CheckWindowsExe("<html><body>404 Not Found</body></html>" + std::string(100, ' ')),
              ExeCheck::NoMz);
    std::string b = Exe();
    b[0x3C] = static_cast<char>(0xFF);  // header offset past the end
    b[0x3D] = static_cast<char>(0xFF);
    b[0x3E] = static_cast<char>(0xFF);
    b[0x3F] = static_cast<char>(0x7F);
    EXPECT_EQ(CheckWindowsExe(b), ExeCheck::NoPeSignature);
    b = Exe();
    b[0x82] = 'X';
    EXPECT_EQ(CheckWindowsExe(b), ExeCheck::NoPeSignature);
    b = Exe();
    b[0x84] = 0x64;  // x64
    b[0x85] = static_cast<char>(0x86);
    EXPECT_EQ(CheckWindowsExe(b), ExeCheck::NotI386);
    b = Exe();
    b[0x98] = 0x0B;  // PE32+
    b[0x99] = 0x02;
    EXPECT_EQ(CheckWindowsExe(b), ExeCheck::NotPe32);
}

TEST(UpdaterRules, ArgumentsFoldersAndTheVersionFileDigest) {
    UpdaterArgs a = ReadUpdaterArgs(
        {"1.1.0.0 ", "C:\\Games\\Lumo\\Lumo.exe", "http://h/user/VersionInfo/config.ini"});
    EXPECT_EQ(a.version, "1.1.0.0 ");  // untrimmed
    EXPECT_EQ(a.shellExe, "C:\\Games\\Lumo\\Lumo.exe");
    EXPECT_EQ(a.shellExeName, "Lumo.exe");
    EXPECT_EQ(a.versionFileUrl, "http://h/user/VersionInfo/config.ini");
    a = ReadUpdaterArgs({});
    EXPECT_EQ(a.shellExe, "");
    EXPECT_EQ(a.shellExeName, "");

    EXPECT_EQ(ProgramFolderOfUpdater("C:\\Games\\Lumo\\Update\\"), "C:\\Games\\Lumo\\");
    EXPECT_EQ(ProgramFolderOfUpdater("C:\\Games\\Lumo\\Update"), "C:\\Games\\Lumo\\");
    EXPECT_EQ(TempFolderOf("C:\\Games\\Lumo\\Update"), "C:\\Games\\Lumo\\Update\\TmpPath\\");

    EXPECT_TRUE(IsNotFoundPage("<p>The requested URL /x was not found on this server.</p>"));
    EXPECT_FALSE(IsNotFoundPage("MZ..."));

    EXPECT_FALSE(ExpectedSha256("[version]\r\nversion=1.2.0.0\r\n"));
    EXPECT_EQ(ExpectedSha256("[version]\r\nversion=1.2\r\nSHA256= ABCDEF \r\n"), "abcdef");
    EXPECT_FALSE(ExpectedSha256("[other]\r\nsha256=ab\r\n"));
    EXPECT_EQ(HexOf(std::string("\x00\x9f\xff", 3)), "009fff");
}

}  // namespace
}  // namespace lumo
