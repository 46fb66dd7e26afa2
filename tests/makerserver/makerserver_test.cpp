// End-to-end tests of the local maker server: each test starts the real
// binary on a free loopback port and talks HTTP to it.
#include <gtest/gtest.h>
#include <httplib.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/makerserver/server_process.h"
#include "tools/makerserver/maker_server.h"

namespace makerserver_test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, sep)) parts.push_back(part);
    return parts;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The bytes of a whole answer, head and body, as they came over the wire.
std::string RawGet(int port, const std::string& target, const std::string& extraHeaders = "") {
    int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (connect(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders +
                              "Connection: close\r\n\r\n";
        if (send(sock, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
            char buf[4096];
            ssize_t n;
            while ((n = recv(sock, buf, sizeof buf, 0)) > 0)
                answer.append(buf, static_cast<size_t>(n));
        }
    }
    close(sock);
    return answer;
}

// One browser's cookies: takes Set-Cookie headers, sends them back.
class CookieJar {
  public:
    void Take(const httplib::Response& res) {
        for (size_t i = 0, n = res.get_header_value_count("Set-Cookie"); i < n; ++i) {
            std::string line = res.get_header_value("Set-Cookie", i);
            lines.push_back(line);
            std::string pair = line.substr(0, line.find(';'));
            size_t eq = pair.find('=');
            std::string name = pair.substr(0, eq);
            std::string value = pair.substr(eq + 1);
            // An expiry in 1970 is how a server deletes a cookie.
            if (value.empty() || Contains(line, "1970")) {
                cookies.erase(name);
            } else {
                cookies[name] = value;
            }
        }
    }
    httplib::Headers Headers() const {
        std::string header;
        for (const auto& [name, value] : cookies)
            header += (header.empty() ? "" : "; ") + name + "=" + value;
        if (header.empty())
            return {};
        return {{"Cookie", header}};
    }
    std::map<std::string, std::string> cookies;
    std::vector<std::string> lines;
};

class MakerServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start(Args())) << "first line: " << server_.FirstLine();
        base_ = "http://127.0.0.1:" + std::to_string(server_.Port());
    }
    void TearDown() override {
        EXPECT_EQ(server_.Terminate(), 0) << "the server should end cleanly on SIGTERM";
    }
    virtual std::vector<std::string> Args() { return {}; }

    httplib::Client Client() {
        httplib::Client cli("127.0.0.1", server_.Port());
        cli.set_read_timeout(30, 0);
        return cli;
    }
    httplib::Result Get(const std::string& target, const httplib::Headers& headers = {}) {
        return Client().Get(target, headers);
    }
    // The body of a GET that must answer 200.
    std::string Body(const std::string& target, const httplib::Headers& headers = {}) {
        auto res = Get(target, headers);
        if (!res) {
            ADD_FAILURE() << target << ": no answer";
            return "";
        }
        EXPECT_EQ(res->status, 200) << target;
        return res->body;
    }
    void Set(const std::string& query) {
        auto res = Get("/_control/set?" + query);
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 200) << query << ": " << res->body;
    }
    // The log as rows of tab-separated fields.
    std::vector<std::vector<std::string>> Log() {
        std::vector<std::vector<std::string>> rows;
        for (const std::string& line : Split(Body("/_log"), '\n'))
            rows.push_back(Split(line, '\t'));
        return rows;
    }
    std::map<std::string, long> Stats() {
        std::map<std::string, long> stats;
        for (const std::string& line : Split(Body("/_stats"), '\n')) {
            size_t eq = line.find('=');
            if (eq != std::string::npos)
                stats[line.substr(0, eq)] = std::stol(line.substr(eq + 1));
        }
        return stats;
    }

    ServerProcess server_;
    std::string base_;
};

// ---------------------------------------------------------------- process

TEST(MakerServerProcess, AnnouncesItsPortAndEndsOnSigtermQuitOrBadArguments) {
    ServerProcess first;
    ASSERT_TRUE(first.Start());
    EXPECT_EQ(first.FirstLine(), "listening on 127.0.0.1:" + std::to_string(first.Port()) + "\n");

    // The same port again cannot be bound: the second server fails at once.
    ServerProcess clash;
    EXPECT_FALSE(clash.StartRaw({"--port", std::to_string(first.Port())}));
    EXPECT_EQ(clash.WaitExit(5000), 1);

    httplib::Client cli("127.0.0.1", first.Port());
    auto res = cli.Get("/_control/quit");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(first.WaitExit(10000), 0);

    // SIGTERM right after the line: the server may not have entered its
    // accept loop yet and must still stop.
    for (int i = 0; i < 20; ++i) {
        ServerProcess quick;
        ASSERT_TRUE(quick.Start());
        ASSERT_EQ(quick.Terminate(), 0) << "round " << i;
    }

    for (std::vector<std::string> bad : {std::vector<std::string>{"--port", "x"},
                                         {"--port", "0", "--bogus", "1"},
                                         {},
                                         {"--port", "0", "--set", "nosuchswitch=1"},
                                         {"--port", "0", "--update-file", "/nonexistent/file"}}) {
        ServerProcess p;
        EXPECT_FALSE(p.StartRaw(bad));
        EXPECT_NE(p.WaitExit(5000), 0);
    }
}

// ---------------------------------------------------------------- maker's files

TEST_F(MakerServerTest, StartPageListDefaultsToTheDemoGameAndFollowsControl) {
    std::string ini = Body("/user/ADPage/firstPage.ini");
    EXPECT_EQ(ini, "[ADList]\r\nCount=2\r\nL1=" + base_ + "/game/login.html\r\nL2=" + base_ +
                       "/faq.html\r\n");
    // Both default addresses lead to pages of this server.
    EXPECT_TRUE(Contains(Body("/game/login.html"), "loginForm"));
    EXPECT_TRUE(Contains(Body("/faq.html"), "<title>"));

    Set("startpage=http://a.test/1&startpage=http://b.test/2&startpage=http://c.test/3");
    EXPECT_EQ(Body("/user/ADPage/firstPage.ini"),
              "[ADList]\r\nCount=3\r\nL1=http://a.test/1\r\nL2=http://b.test/2\r\nL3=http://c.test/"
              "3\r\n");
    Set("startpage=");
    EXPECT_EQ(Body("/user/ADPage/firstPage.ini"), "[ADList]\r\nCount=0\r\n");
    Set("startpagesraw=" + httplib::detail::encode_query_param("[ADList]\r\nCount=1\r\nL1=\r\n"));
    EXPECT_EQ(Body("/user/ADPage/firstPage.ini"), "[ADList]\r\nCount=1\r\nL1=\r\n");

    ASSERT_TRUE(Get("/_control/reset"));
    EXPECT_EQ(Body("/user/ADPage/firstPage.ini"), ini);
}

TEST_F(MakerServerTest, VersionFileFollowsControl) {
    auto res = Get("/user/VersionInfo/config.ini");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body, "[version]\r\nversion=1.1.0.0\r\nImagePath=\r\n");

    Set("version=1.0.0.9&imagepath=" + httplib::detail::encode_query_param(base_ + "/faq.html"));
    EXPECT_EQ(Body("/user/VersionInfo/config.ini"),
              "[version]\r\nversion=1.0.0.9\r\nImagePath=" + base_ + "/faq.html\r\n");
    // A version with a trailing blank is served as given.
    Set("version=1.1.0.0%20");
    EXPECT_TRUE(Contains(Body("/user/VersionInfo/config.ini"), "version=1.1.0.0 \r\n"));

    Set("versionhtml=1");
    std::string html = Body("/user/VersionInfo/config.ini");
    EXPECT_TRUE(Contains(html, "<html>"));
    EXPECT_FALSE(Contains(html, "[version]"));

    ASSERT_TRUE(Get("/_control/reset"));
    EXPECT_EQ(Body("/user/VersionInfo/config.ini"),
              "[version]\r\nversion=1.1.0.0\r\nImagePath=\r\n");
}

TEST(MakerServerProcess, VersionFlagAndInitialSwitchesApplyFromTheStart) {
    ServerProcess p;
    ASSERT_TRUE(p.Start(
        {"--version", "2.0.0.1", "--set", "imagepath=http://x.test/a&notfound=1&path=/box.html"}));
    httplib::Client cli("127.0.0.1", p.Port());
    auto res = cli.Get("/user/VersionInfo/config.ini");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "[version]\r\nversion=2.0.0.1\r\nImagePath=http://x.test/a\r\n");
    res = cli.Get("/box.html");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
    // Reset goes back to the command line's version, not to the built-in one.
    ASSERT_TRUE(cli.Get("/_control/reset"));
    res = cli.Get("/user/VersionInfo/config.ini");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "[version]\r\nversion=2.0.0.1\r\nImagePath=\r\n");
    EXPECT_EQ(p.Terminate(), 0);
}

// ---------------------------------------------------------------- update file

class UpdateFileTest : public MakerServerTest {
  protected:
    UpdateFileTest() {
        path_ = ::testing::TempDir() + "makerserver_update_" + std::to_string(getpid()) + ".bin";
        for (int i = 0; i < 1000; ++i) content_ += static_cast<char>((i * 7 + i / 251) & 0xFF);
        std::ofstream(path_, std::ios::binary) << content_;
    }
    ~UpdateFileTest() override { std::remove(path_.c_str()); }
    std::vector<std::string> Args() override { return {"--update-file", path_}; }

    std::string path_;
    std::string content_;
};

TEST_F(UpdateFileTest, ServesTheFileWithLengthDateAndRanges) {
    auto whole = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->body, content_);
    EXPECT_EQ(whole->get_header_value("Content-Length"), "1000");
    const std::string lastModified = whole->get_header_value("Last-Modified");
    EXPECT_TRUE(Contains(lastModified, " GMT")) << lastModified;

    // The downloader's resume request: upper-case header name, end = total size.
    auto part = Get("/user/VersionInfo/Lumo", {{"RANGE", "bytes=300-1000"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, content_.substr(300));
    EXPECT_EQ(part->get_header_value("Content-Range"), "bytes 300-999/1000");
    EXPECT_EQ(part->get_header_value("Content-Length"), "700");
    EXPECT_EQ(part->get_header_value("Last-Modified"), lastModified);

    part = Get("/user/VersionInfo/Lumo", {{"Range", "bytes=10-19"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, content_.substr(10, 10));

    part = Get("/user/VersionInfo/Lumo", {{"Range", "bytes=0-"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, content_);

    // A start at the end (a file that is already complete).
    part = Get("/user/VersionInfo/Lumo", {{"Range", "bytes=1000-1000"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 416);
    EXPECT_EQ(part->get_header_value("Content-Range"), "bytes */1000");
    EXPECT_TRUE(part->body.empty());

    // Other pages ignore ranges.
    auto page = Get("/faq.html", {{"Range", "bytes=0-5"}});
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_GT(page->body.size(), 6u);

    // The log keeps the range each request asked for.
    bool sawRange = false;
    for (const auto& row : Log()) {
        if (row.size() >= 5 && row[2] == "/user/VersionInfo/Lumo" && row[4] == "bytes=300-1000")
            sawRange = true;
    }
    EXPECT_TRUE(sawRange);
}

TEST_F(UpdateFileTest, FaultSwitchesChangeHowTheFileIsServed) {
    auto res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    const std::string lastModified = res->get_header_value("Last-Modified");
    ASSERT_FALSE(lastModified.empty());

    // A changed date: a resume must start over.
    Set("bumplastmodified=1");
    res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    const std::string bumped = res->get_header_value("Last-Modified");
    EXPECT_NE(bumped, lastModified);
    EXPECT_EQ(res->body, content_);
    Set("bumplastmodified=1");
    res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    EXPECT_NE(res->get_header_value("Last-Modified"), bumped);

    Set("lastmodified=0&range=0");
    res = Get("/user/VersionInfo/Lumo", {{"Range", "bytes=300-1000"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_FALSE(res->has_header("Last-Modified"));
    EXPECT_FALSE(res->has_header("Content-Range"));
    EXPECT_EQ(res->body, content_);
    Set("lastmodified=1&range=1");

    // No Content-Length: the body comes chunked, also for a range.
    Set("chunked=1");
    res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_FALSE(res->has_header("Content-Length"));
    EXPECT_EQ(res->get_header_value("Transfer-Encoding"), "chunked");
    EXPECT_EQ(res->body, content_);
    std::string raw = RawGet(server_.Port(), "/user/VersionInfo/Lumo");
    std::string head = raw.substr(0, raw.find("\r\n\r\n"));
    EXPECT_TRUE(Contains(head, "Transfer-Encoding: chunked")) << head;
    EXPECT_FALSE(Contains(head, "Content-Length")) << head;
    res = Get("/user/VersionInfo/Lumo", {{"Range", "bytes=300-1000"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 206);
    EXPECT_FALSE(res->has_header("Content-Length"));
    EXPECT_EQ(res->body, content_.substr(300));

    // Trickled out in blocks, with and without a length.
    Set("trickle=5");
    res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, content_);
    Set("chunked=0");
    res = Get("/user/VersionInfo/Lumo", {{"Range", "bytes=100-"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 206);
    EXPECT_EQ(res->get_header_value("Content-Length"), "900");
    EXPECT_EQ(res->body, content_.substr(100));

    // A built-in pattern of a chosen size replaces the file until reset.
    Set("trickle=0&updatesize=3000");
    res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body.size(), 3000u);
    EXPECT_EQ(res->get_header_value("Content-Length"), "3000");

    ASSERT_TRUE(Get("/_control/reset"));
    res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, content_);
    EXPECT_EQ(res->get_header_value("Last-Modified"), lastModified);
}

TEST_F(UpdateFileTest, BadDownloadSwitchesCutReplaceOrVouchForTheFile) {
    // Cut after 300 bytes: the full length is announced, fewer bytes come.
    Set("cutafter=300&cutonce=1");
    std::string raw = RawGet(server_.Port(), "/user/VersionInfo/Lumo");
    const size_t bodyAt = raw.find("\r\n\r\n") + 4;
    EXPECT_TRUE(Contains(raw.substr(0, bodyAt), "Content-Length: 1000"));
    EXPECT_EQ(raw.substr(bodyAt), content_.substr(0, 300));
    // Once only; a cut counts from the start of a range's body.
    EXPECT_EQ(Body("/user/VersionInfo/Lumo"), content_);
    Set("cutafter=100&cutonce=0");
    raw = RawGet(server_.Port(), "/user/VersionInfo/Lumo", "Range: bytes=500-\r\n");
    EXPECT_EQ(raw.substr(raw.find("\r\n\r\n") + 4), content_.substr(500, 100));
    raw = RawGet(server_.Port(), "/user/VersionInfo/Lumo");
    EXPECT_EQ(raw.substr(raw.find("\r\n\r\n") + 4), content_.substr(0, 100));
    Set("cutafter=0");

    // No digest in the version file unless asked; auto follows the file.
    EXPECT_FALSE(Contains(Body("/user/VersionInfo/config.ini"), "sha256"));
    Set("sha256=auto");
    const std::string digest = makerserver::Sha256Hex(content_);
    EXPECT_TRUE(Contains(Body("/user/VersionInfo/config.ini"), "\r\nsha256=" + digest + "\r\n"));
    EXPECT_EQ(makerserver::Sha256Hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    Set("sha256=0000");
    EXPECT_TRUE(Contains(Body("/user/VersionInfo/config.ini"), "sha256=0000\r\n"));
    Set("sha256=none");
    EXPECT_FALSE(Contains(Body("/user/VersionInfo/config.ini"), "sha256"));

    // Garbage keeps the length, loses the program header; HTML comes with 200.
    Set("garbage=1");
    auto res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body.size(), content_.size());
    EXPECT_NE(res->body.substr(0, 2), "MZ");
    Set("garbage=0&updatehtml=1");
    res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_TRUE(Contains(res->get_header_value("Content-Type"), "text/html"));
    EXPECT_TRUE(Contains(res->body, "<html>"));
    EXPECT_FALSE(Contains(res->body, "was not found on this server"));
    Set("updatehtml=0");

    // Another file to serve, with a newer date.
    const std::string other = path_ + ".other";
    std::ofstream(other, std::ios::binary) << "MZ-other";
    const std::string before = Get("/user/VersionInfo/Lumo")->get_header_value("Last-Modified");
    Set("updatefile=" + other);
    res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "MZ-other");
    EXPECT_NE(res->get_header_value("Last-Modified"), before);
    std::remove(other.c_str());
    EXPECT_EQ(Get("/_control/set?updatefile=/no/such/file")->status, 400);
}

TEST_F(MakerServerTest, BuiltInUpdateFileIsAFewKilobytes) {
    auto res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    // Larger than one 1025-byte read of the downloader, small enough to be quick.
    EXPECT_GT(res->body.size(), 2048u);
    EXPECT_LT(res->body.size(), 65536u);
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(res->body.size()));
    EXPECT_FALSE(Contains(res->body, "was not found on this server"));
}

// ---------------------------------------------------------------- online report

TEST_F(MakerServerTest, OnlineReportAssignsIdsAndChecksDigests) {
    // md5("127.0.0.1" + "42"), and of "42" alone for a failed address lookup.
    const std::string goodDigest = "41965b09073998e40c12d958b60c99a0";
    const std::string emptyIpDigest = "a1d0c6e83f027327d8461063f4ac58a6";
    auto report = [&](const std::string& ip, const std::string& op, const std::string& key,
                      const std::string& md5) {
        return Body("/user/online.php?ip=" + ip + "&op=" + op + "&rand=42&key=" + key +
                    "&md5=" + md5);
    };

    EXPECT_EQ(report("127.0.0.1", "1", "0", goodDigest), "1001:ok");
    EXPECT_EQ(report("127.0.0.1", "1", "0", goodDigest), "1002:ok");
    EXPECT_EQ(report("127.0.0.1", "1", "1001", goodDigest), "ok");
    EXPECT_EQ(report("127.0.0.1", "2", "0", goodDigest), "ok");
    EXPECT_EQ(report("127.0.0.1", "1", "", goodDigest), "ok");
    EXPECT_EQ(report("", "2", "1002", emptyIpDigest), "ok");
    EXPECT_EQ(report("127.0.0.1", "2", "1001", "41965B09073998E40C12D958B60C99A0"),
              "ok");  // upper case
    EXPECT_EQ(report("127.0.0.2", "2", "1001", goodDigest), "ok");

    auto stats = Stats();
    EXPECT_EQ(stats["starts"], 4);
    EXPECT_EQ(stats["ends"], 4);
    EXPECT_EQ(stats["ids"], 2);
    EXPECT_EQ(stats["md5_ok"], 6);
    EXPECT_EQ(stats["md5_bad"], 2);

    // A fixed answer (the identifier is then not consumed) and a chosen next id.
    Set("onlinereply=" + httplib::detail::encode_query_param("  123:ok \r\n"));
    EXPECT_EQ(report("127.0.0.1", "1", "0", goodDigest), "  123:ok \r\n");
    Set("onlinereply=:ok&nextid=5000");
    EXPECT_EQ(report("127.0.0.1", "1", "0", goodDigest), ":ok");
    ASSERT_TRUE(Get("/_control/reset"));
    EXPECT_EQ(report("127.0.0.1", "1", "0", goodDigest), "5000:ok");

    ASSERT_TRUE(Get("/_control/clearlog"));
    stats = Stats();
    EXPECT_EQ(stats["starts"], 0);
    EXPECT_EQ(stats["md5_ok"], 0);
    EXPECT_EQ(report("127.0.0.1", "1", "0", goodDigest), "5001:ok");
}

TEST_F(MakerServerTest, OnlineIdsStayUniqueUnderConcurrentStarts) {
    constexpr int kThreads = 8;
    constexpr int kEach = 25;
    std::vector<std::vector<std::string>> answers(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            httplib::Client cli("127.0.0.1", server_.Port());
            for (int i = 0; i < kEach; ++i) {
                auto res = cli.Get("/user/online.php?ip=1.2.3.4&op=1&rand=5&key=0&md5=x");
                answers[t].push_back(res ? res->body : "no answer");
            }
        });
    }
    for (auto& th : threads) th.join();
    std::set<std::string> distinct;
    for (const auto& list : answers) {
        for (const auto& a : list) {
            EXPECT_TRUE(Contains(a, ":ok")) << a;
            distinct.insert(a);
        }
    }
    EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(Stats()["ids"], kThreads * kEach);
}

TEST_F(MakerServerTest, Ip2CityShowsTheCallerAddressInBracketsInGbk) {
    auto res = Get("/ip2city.asp");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=gb2312");
    // "您的IP是：[127.0.0.1] 来自：本机" in GBK.
    EXPECT_TRUE(Contains(
        res->body,
        "\xC4\xFA\xB5\xC4IP\xCA\xC7\xA3\xBA[127.0.0.1] \xC0\xB4\xD7\xD4\xA3\xBA\xB1\xBE\xBB\xFA"))
        << res->body;
    EXPECT_FALSE(Contains(res->body, "\xE6\x82\xA8")) << "no UTF-8 left";

    Set("clientip=10.0.0.1");
    EXPECT_TRUE(Contains(Body("/ip2city.asp"), "[10.0.0.1]"));
    Set("ip2cityraw=" + httplib::detail::encode_query_param("no brackets 10.0.0.9]"));
    EXPECT_EQ(Body("/ip2city.asp"), "no brackets 10.0.0.9]");
}

// ---------------------------------------------------------------- demo game

TEST_F(MakerServerTest, TwoAccountsStayLoggedInSideBySide) {
    CookieJar alice, bob;

    // Alice posts the login form, Bob opens the login address with user/pass.
    auto res =
        Client().Post("/game/login", "username=alice&password=secret&btnLogin=%E7%99%BB%E5%BD%95",
                      "application/x-www-form-urlencoded");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 302);
    EXPECT_EQ(res->get_header_value("Location"), "/game/lobby.html");
    alice.Take(*res);
    res = Get("/game/login?user=bob&pass=x");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 302);
    bob.Take(*res);

    ASSERT_EQ(alice.cookies.count("LUMOSID"), 1u);
    ASSERT_EQ(alice.cookies.count("LUMOACCT"), 1u);
    EXPECT_NE(alice.cookies["LUMOSID"], bob.cookies["LUMOSID"]);
    EXPECT_EQ(alice.cookies["LUMOACCT"], "alice");
    EXPECT_EQ(bob.cookies["LUMOACCT"], "bob");
    for (const std::string& line : alice.lines) {
        if (line.rfind("LUMOSID=", 0) == 0) {
            EXPECT_FALSE(Contains(line, "expires")) << "session cookie: " << line;
        } else {
            EXPECT_TRUE(Contains(line, "; expires=")) << line;
            EXPECT_TRUE(Contains(line, " GMT")) << line;
            EXPECT_TRUE(Contains(line, "path=/")) << line;
        }
    }
    // The persistent cookie lasts a year.
    std::string acct;
    for (const std::string& line : alice.lines) {
        if (line.rfind("LUMOACCT=", 0) == 0)
            acct = line;
    }
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    EXPECT_TRUE(Contains(acct, std::to_string(tm.tm_year + 1901)) ||
                Contains(acct, std::to_string(tm.tm_year + 1900)))
        << acct;

    ASSERT_TRUE(Get("/_control/clearlog"));
    std::string aliceLobby = Body("/game/lobby.html", alice.Headers());
    std::string bobLobby = Body("/game/lobby.html", bob.Headers());
    EXPECT_TRUE(Contains(aliceLobby, "<title>游戏大厅 - alice</title>"));
    EXPECT_TRUE(Contains(bobLobby, "<title>游戏大厅 - bob</title>"));
    EXPECT_FALSE(Contains(aliceLobby, "bob"));
    EXPECT_TRUE(Contains(Body("/game/popup-target.html", bob.Headers()), "bob"));

    std::multiset<std::string> lobbyAccounts;
    for (const auto& row : Log()) {
        ASSERT_GE(row.size(), 4u);
        if (row[1] == "GET" && row[2] == "/game/lobby.html")
            lobbyAccounts.insert(row[3]);
    }
    EXPECT_EQ(lobbyAccounts, (std::multiset<std::string>{"alice", "bob"}));
    EXPECT_EQ(Body("/_seen?path=/game/lobby.html"), "alice\nbob\n");

    // Without cookies the lobby sends the player to the login page.
    res = Get("/game/lobby.html");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 302);
    EXPECT_EQ(res->get_header_value("Location"), "/game/login.html");

    // The persistent cookie alone (a browser restarted) still counts.
    EXPECT_TRUE(
        Contains(Body("/game/lobby.html", {{"Cookie", "LUMOACCT=alice"}}), "游戏大厅 - alice"));
    // An unknown session with the account cookie: the account cookie decides.
    EXPECT_TRUE(Contains(Body("/game/lobby.html", {{"Cookie", "LUMOSID=nosuch; LUMOACCT=bob"}}),
                         "游戏大厅 - bob"));

    // Logout deletes both cookies and ends the session on the server.
    const std::string aliceSession = alice.cookies["LUMOSID"];
    res = Get("/game/logout", alice.Headers());
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 302);
    alice.Take(*res);
    EXPECT_TRUE(alice.cookies.empty());
    res = Get("/game/lobby.html", {{"Cookie", "LUMOSID=" + aliceSession}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 302);
    // Bob is not affected.
    EXPECT_TRUE(Contains(Body("/game/lobby.html", bob.Headers()), "游戏大厅 - bob"));
}

TEST_F(MakerServerTest, LoginNeedsAccountAndPasswordAndKeepsNonAsciiNames) {
    for (std::string target :
         {"/game/login?user=alice", "/game/login?username=&password=x", "/game/login"}) {
        auto res = Get(target);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200) << target;
        EXPECT_FALSE(res->has_header("Set-Cookie")) << target;
        EXPECT_TRUE(Contains(res->body, "id=\"error\"")) << target;
        EXPECT_TRUE(Contains(res->body, "id=\"loginForm\"")) << target;
    }
    auto res = Client().Post("/game/login", "username=alice", "application/x-www-form-urlencoded");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_FALSE(res->has_header("Set-Cookie"));

    // A Chinese account with markup characters: a cookie-safe value, an escaped page.
    res = Get("/game/login?user=%E5%BC%A0%3Cb%3E&pass=1");
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 302);
    CookieJar jar;
    jar.Take(*res);
    // (httplib's client decodes %XX in header values, so look at the raw bytes.)
    std::string raw = RawGet(server_.Port(), "/game/login?user=%E5%BC%A0%3Cb%3E&pass=1");
    size_t at = raw.find("Set-Cookie: LUMOACCT=");
    ASSERT_NE(at, std::string::npos) << raw;
    std::string value = raw.substr(at + 21, raw.find(';', at) - at - 21);
    EXPECT_EQ(value, "%E5%BC%A0%3Cb%3E");
    EXPECT_EQ(value.find_first_of(" ;,<>\""), std::string::npos) << jar.cookies["LUMOACCT"];
    // A browser sends the encoded value back as it got it.
    EXPECT_TRUE(
        Contains(RawGet(server_.Port(), "/game/lobby.html", "Cookie: LUMOACCT=" + value + "\r\n"),
                 "<title>游戏大厅 - 张&lt;b&gt;</title>"));
    std::string lobby = Body("/game/lobby.html", jar.Headers());
    EXPECT_TRUE(Contains(lobby, "<title>游戏大厅 - 张&lt;b&gt;</title>")) << lobby;
    EXPECT_EQ(Body("/_seen?path=/game/lobby.html"), "张<b>\n");
}

TEST_F(MakerServerTest, PagesCarryTheMarkupThatPagesAndTheShellRelyOn) {
    std::string login = Body("/game/login.html");
    for (const char* part :
         {"<meta charset=\"utf-8\">", "<title>游戏登录</title>",
          "<form name=\"loginForm\" id=\"loginForm\" action=\"/game/login\" method=\"post\">",
          "<input type=\"text\" name=\"username\" id=\"username\">",
          "<input type=\"password\" name=\"password\" id=\"password\">",
          "<input type=\"submit\" id=\"btnLogin\" name=\"btnLogin\" value=\"登录\">", "</form>"}) {
        EXPECT_TRUE(Contains(login, part)) << part;
    }
    EXPECT_FALSE(Contains(login, "id=\"error\""));

    auto lobby = Body("/game/lobby.html", {{"Cookie", "LUMOACCT=alice"}});
    EXPECT_TRUE(Contains(lobby, "href=\"/game/popup-target.html\" target=\"_blank\""));
    EXPECT_TRUE(Contains(lobby, "href=\"/game/popup.html\""));

    std::string popup = Body("/game/popup.html");
    EXPECT_TRUE(Contains(popup, "target=\"_blank\""));
    EXPECT_TRUE(Contains(popup, "window.open('/game/popup-target.html')"));
    EXPECT_TRUE(Contains(Body("/game/popup-target.html"), "<title>"));

    // The popular-games page opens full addresses of this server in new windows.
    std::string box = Body("/box.html");
    EXPECT_TRUE(Contains(box, "href=\"" + base_ + "/game/login.html\" target=\"_blank\"")) << box;
    EXPECT_TRUE(Contains(Body("/faq.html"), "<meta charset=\"utf-8\">"));
    EXPECT_TRUE(Contains(Body("/"), "/box.html"));

    // Every page is balanced: no tag left open.
    for (const std::string& page : {login, lobby, popup, box}) {
        for (const char* tag :
             {"html", "head", "body", "title", "form", "p", "a", "ul", "li", "script", "h1"}) {
            size_t open = 0, close = 0;
            for (size_t at = 0; (at = page.find("<" + std::string(tag), at)) != std::string::npos;
                 ++at) {
                char next = page[at + 1 + std::string(tag).size()];
                if (next == '>' || next == ' ')
                    ++open;
            }
            for (size_t at = 0;
                 (at = page.find("</" + std::string(tag) + ">", at)) != std::string::npos; ++at)
                ++close;
            EXPECT_EQ(open, close) << tag << " in\n" << page;
        }
    }
}

// ---------------------------------------------------------------- faults and log

TEST_F(MakerServerTest, SlowAnswersArriveLate) {
    Set("delay=600");
    auto start = Clock::now();
    EXPECT_TRUE(Contains(Body("/faq.html"), "<title>"));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(600));
    // Control and log requests are never slowed down or broken.
    EXPECT_EQ(Body("/_stats").empty(), false);

    // One path only: others answer at once.
    Set("delay=0");
    Set("delay=3000&path=/user/VersionInfo/config.ini");
    start = Clock::now();
    Body("/faq.html");
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
    start = Clock::now();
    EXPECT_TRUE(Contains(Body("/user/VersionInfo/config.ini"), "[version]"));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(3000));
}

TEST_F(MakerServerTest, NotFoundSwitchAnswersTheApachePage) {
    Set("notfound=1&path=/user/VersionInfo/Lumo");
    auto res = Get("/user/VersionInfo/Lumo");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
    EXPECT_TRUE(Contains(res->body,
                         "The requested URL /user/VersionInfo/Lumo was not found on this server."));
    EXPECT_TRUE(Contains(res->body, "<title>404 Not Found</title>"));
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(res->body.size()));
    EXPECT_EQ(Get("/faq.html")->status, 200);

    // Every path at once; control stays reachable.
    Set("notfound=1");
    EXPECT_EQ(Get("/game/login.html")->status, 404);
    EXPECT_EQ(Get("/user/ADPage/firstPage.ini")->status, 404);
    Set("notfound=0");
    EXPECT_EQ(Get("/game/login.html")->status, 200);
    EXPECT_EQ(Get("/user/VersionInfo/Lumo")->status, 404) << "the path switch is still on";

    // An address the server does not have gives the same page.
    res = Get("/no/such/page.html");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
    EXPECT_TRUE(
        Contains(res->body, "The requested URL /no/such/page.html was not found on this server."));

    ASSERT_TRUE(Get("/_control/reset"));
    EXPECT_EQ(Get("/user/VersionInfo/Lumo")->status, 200);
}

TEST_F(MakerServerTest, ControlRejectsUnknownOrBadSwitchesWithoutApplyingAny) {
    for (const char* query : {"nosuch=1", "delay=abc", "delay=-5", "chunked=maybe", "updatesize=x",
                              "version=9.9.9.9&bogus=1", "nextid=7000&delay=x"}) {
        auto res = Get(std::string("/_control/set?") + query);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 400) << query;
    }
    EXPECT_TRUE(Contains(Body("/user/VersionInfo/config.ini"), "version=1.1.0.0\r\n"));
    EXPECT_EQ(Stats()["next_id"], 1001);
}

class LogFileTest : public MakerServerTest {
  protected:
    LogFileTest() {
        path_ = ::testing::TempDir() + "makerserver_log_" + std::to_string(getpid()) + ".txt";
    }
    ~LogFileTest() override { std::remove(path_.c_str()); }
    std::vector<std::string> Args() override {
        std::remove(path_.c_str());
        return {"--log", path_};
    }
    std::string path_;
};

TEST_F(LogFileTest, EveryRequestIsLoggedWithTimeMethodTargetAndAccount) {
    Body("/faq.html?x=1&y=2");
    Client().Post("/game/login", "username=carol&password=p", "application/x-www-form-urlencoded");
    Body("/game/lobby.html", {{"Cookie", "LUMOACCT=carol"}, {"Via", "1.1 p1"}});

    auto rows = Log();
    ASSERT_EQ(rows.size(), 3u) << "control and log requests are not logged";
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 6u);
        EXPECT_EQ(row[0].size(), 23u) << "YYYY-MM-DD HH:MM:SS.mmm: " << row[0];
    }
    EXPECT_EQ(rows[0][1], "GET");
    EXPECT_EQ(rows[0][2], "/faq.html?x=1&y=2");
    EXPECT_EQ(rows[0][3], "-");
    EXPECT_EQ(rows[0][4], "-");
    EXPECT_EQ(rows[1][1], "POST");
    EXPECT_EQ(rows[1][2], "/game/login");
    EXPECT_EQ(rows[2][3], "carol");
    EXPECT_EQ(rows[1][5], "-");
    EXPECT_EQ(rows[2][5], "1.1 p1");
    EXPECT_EQ(Body("/_seen?path=/faq.html"), "");

    std::ifstream in(path_);
    std::stringstream file;
    file << in.rdbuf();
    EXPECT_EQ(file.str(), Body("/_log"));

    // Clearing empties the queryable log; the file keeps its history.
    ASSERT_TRUE(Get("/_control/clearlog"));
    EXPECT_EQ(Body("/_log"), "");
    std::ifstream again(path_);
    std::stringstream kept;
    kept << again.rdbuf();
    EXPECT_EQ(Split(kept.str(), '\n').size(), 3u);
}

}  // namespace
}  // namespace makerserver_test
