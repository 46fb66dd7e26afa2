// The presence report's and the version check's rules.
#include <gtest/gtest.h>

#include <set>

#include "common/md5.h"
#include "online/presence.h"
#include "online/version_check.h"

namespace lumo {
namespace {

TEST(PresenceRules, PublicAddressIsBetweenTheFirstBrackets) {
    struct Case {
        const char* text;
        const char* address;
    } cases[] = {
        {"您的IP是：[10.0.0.1] 来自：本机", "10.0.0.1"},
        {"x [1.2.3.4] y [5.6.7.8]", "1.2.3.4"},
        {"no bracket 1.2.3.4] tail", "no bracket 1.2.3.4"},
        {"[10.0.0.1 without close", ""},
        {"", ""},
        {"] before [1.2.3.4]", ""},
        {"[]", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(PublicAddressFrom(c.text), c.address) << c.text;
}

TEST(PresenceRules, RandomIsAlwaysOneToHundred) {
    std::set<int> seen;
    for (int s = 0; s < 24 * 3600; s += 7)
        for (int jitter : {0, 1, 4999, 9999}) {
            int r = PresenceRandom(s, jitter);
            ASSERT_GE(r, 1) << s << "+" << jitter;
            ASSERT_LE(r, 100) << s << "+" << jitter;
            seen.insert(r);
        }
    EXPECT_EQ(seen.size(), 100u);         // every value comes up
    EXPECT_EQ(PresenceRandom(0, 0), 1);   // sin 0 = 0
    EXPECT_EQ(PresenceRandom(1, 1), 91);  // |sin 2| = 0.909...
}

TEST(PresenceRules, ReportAddressCarriesDigestOfAddressAndNumber) {
    EXPECT_EQ(PresenceDigest("10.0.0.1", 42), Md5Hex("10.0.0.142"));
    EXPECT_EQ(PresenceDigest("", 7), Md5Hex("7"));
    EXPECT_EQ(PresenceReportUrl("127.0.0.1:8080", "10.0.0.1", 1, 42, "0"),
              "http://127.0.0.1:8080/user/online.php?ip=10.0.0.1&op=1&rand=42&key=0&md5=" +
                  Md5Hex("10.0.0.142"));
    EXPECT_EQ(PresenceReportUrl("h", "", 2, 5, ""),
              "http://h/user/online.php?ip=&op=2&rand=5&key=&md5=" + Md5Hex("5"));
    // What would break the query is escaped; the digest is of the raw text.
    EXPECT_EQ(
        PresenceReportUrl("h", "a b", 2, 5, "1&x=#"),
        "http://h/user/online.php?ip=a%20b&op=2&rand=5&key=1%26x%3D%23&md5=" + Md5Hex("a b5"));
}

TEST(PresenceRules, OnlyAnUnregisteredStartReportRegisters) {
    struct Case {
        const char* id;
        int op;
        const char* answer;
        const char* held;
        bool store;
    } cases[] = {
        {"0", 1, "  123:ok \r\n", "123", true},
        {"0", 1, "77:a:b", "77", true},
        {"0", 1, "", "0", false},
        {"0", 1, "ok", "0", false},
        {"0", 1, ":ok", "", false},
        {"0", 1, " \t:x", "", false},  // the answer is trimmed first
        {"0", 1, "123 \t:ok", "123", true},
        // Config.ini would not give these back as they are: held, not stored.
        {"0", 1, "12\n34:ok", "12\n34", false},
        {"0", 1, "'5':ok", "'5'", false},
        {"0", 2, "123:ok", "0", false},
        {"55", 1, "123:ok", "55", false},
        {"", 1, "123:ok", "", false},  // an empty stored key never registers
    };
    for (const Case& c : cases) {
        Registration r = RegistrationFrom(c.id, c.op, c.answer);
        EXPECT_EQ(r.clientId, c.held) << c.id << " " << c.op << " " << c.answer;
        EXPECT_EQ(r.store, c.store) << c.id << " " << c.op << " " << c.answer;
    }
}

TEST(VersionRules, AnyTrimmedDifferenceIsNew) {
    struct Case {
        const char* file;
        const char* server;
        bool isNew;
    } cases[] = {
        {"1.1.0.0", "1.2.0.0", true},    {"1.1.0.0", "1.0.0.9", true},
        {"1.1.0.0", "1.1.0.0", false},   {"1.1.0.0", " 1.1.0.0 \t", false},
        {" 1.1.0.0 ", "1.1.0.0", false}, {"1.1.0.0", "", false},
        {"1.1.0.0", "  ", false},        {"", "1.1.0.0", true},
        {"1.1.0.0", "1.1.0.0a", true},   {"v1.1", "V1.1", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsNewVersion(c.file, c.server), c.isNew) << c.file << " / " << c.server;
}

TEST(VersionRules, VersionFileKeys) {
    ServerVersionInfo a = ParseVersionFile(
        "[version]\r\nversion= 1.2.0.0 \r\nImagePath=http://h/news.html\r\n"
        "sha256=00ff\r\nsignature=QUJD+/==\r\n");  // the updater's keys
    EXPECT_EQ(a.version, "1.2.0.0");
    EXPECT_EQ(a.announcementPage, "http://h/news.html");
    ServerVersionInfo b = ParseVersionFile("<html><body>Not here</body></html>");
    EXPECT_EQ(b.version, "");
    EXPECT_EQ(b.announcementPage, "");
}

TEST(VersionRules, UpdaterCommandLine) {
    std::string args = UpdaterArguments(" 1.1.0.0", "C:\\Program Files\\Lumo\\Lumo.exe",
                                        "http://h/user/VersionInfo/config.ini");
    EXPECT_EQ(args,
              " \" 1.1.0.0\" \"C:\\Program Files\\Lumo\\Lumo.exe\" "
              "\"http://h/user/VersionInfo/config.ini\"");
    EXPECT_EQ(UpdaterCommandLine("C:\\Program Files\\Lumo\\", args),
              "\"C:\\Program Files\\Lumo\\Update\\LumoUpdate.exe\"" + args);
}

}  // namespace
}  // namespace lumo
