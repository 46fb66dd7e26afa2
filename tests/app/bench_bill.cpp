// Saved-form benchmark under Wine (not a test; prints figures): a page
// process started with a bill, on the headless engine, until its login POST
// reaches the server: the demo game (and its lobby requested with the saved
// account), the maker server's model login pages of real sites, and DokuWiki
// when LUMO_WIKI_DIR names a running wiki (dokuwiki-server.sh) and
// LUMO_WIKI_PORT its port. Medians of repeated runs. Needs LUMO_TEST_SERVER.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "page/bill.h"
#include "tests/support/bench_stats.h"
#include "tests/support/recording_shell.h"
#include "tests/support/test_support.h"

using namespace lumo;
using namespace lumo::test;

namespace {

constexpr int kRuns = 7;

struct Bench {
    std::string exe;
    std::string folder;
    std::string handle;
    int started = 0;

    // Median ms from the start of a page process with `bill` at `url` until
    // `posted` holds; -1 when a run never got there.
    double Median(const std::string& url, const std::function<std::string(int)>& bill,
                  const std::function<void()>& reset, const std::function<bool()>& posted) {
        std::vector<double> ms;
        for (int i = 0; i < kRuns; ++i) {
            reset();
            const double t0 = NowMs();
            auto page = StartProgram(
                exe, {handle, url, folder + "cookies\\B" + std::to_string(++started), bill(i)});
            if (!page)
                return -1;
            while (NowMs() - t0 < 15000 && !posted()) Sleep(2);
            if (posted())
                ms.push_back(NowMs() - t0);
            TerminateProcess(page->process.get(), 0);
            page->Ended(5000);
        }
        return ms.size() == kRuns ? lumo::test::Median(ms) : -1;
    }
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    SetEnvironmentVariableW(L"LUMO_BROWSER_ENGINE", L"headless");
    TempFolder folder("benchbill");
    RecordingShell shell;
    shell.Create();
    Bench bench{LayOutProgramFolder(folder.path()), folder.path(),
                std::to_string(reinterpret_cast<uintptr_t>(shell.hwnd()))};
    bool complete = true;
    auto print = [&](const std::string& what, double ms) {
        complete = complete && ms >= 0;
        std::printf(
            "page start with a bill to the login POST at the server, %s (median of %d): "
            "%.0f ms\n",
            what.c_str(), kRuns, ms);
    };

    // The demo game, with a bill of earlier versions, and the lobby after it.
    double lobby = 0;
    int run = 0;
    print("demo game", bench.Median(
                           ServerUrl("/game/login.html"),
                           [&](int i) {
                               run = i;
                               return BillText({{"loginForm",
                                                 {{"username", "bench" + std::to_string(i), false},
                                                  {"password", "pw", false},
                                                  {"btnLogin", "", true}}}});
                           },
                           [] { Server("/_control/clearlog"); },
                           [&] {
                               const std::string log = Server("/_log");
                               if (log.find("/game/lobby.html\tbench" + std::to_string(run)) !=
                                   std::string::npos)
                                   lobby = 1;
                               return log.find("POST\t/game/login") != std::string::npos;
                           }));

    // Model pages of real sites, with the bills saving them gives now.
    const BillItem user{"user", "bench", false}, pass{"pass", "pw", false};
    const struct {
        const char* page;
        std::vector<BillForm> forms;
        int fill;
    } models[] = {
        {"search-first", {{"", {{"q", "", false}, {"go", "", true}}}, {"", {user, pass}, "2"}}, 1},
        {"bare-button", {{"", {user, pass}, "2"}}, 0},
        {"image-button", {{"", {user, pass}, "2"}}, 0},
        {"token",
         {{"",
           {{"csrf", "stale", false}, {"tz", "", false}, user, pass, {"login", "", true}},
           "4"}},
         0},
        {"three-forms",
         {{"", {{"lang", "zh", false}}},
          {"", {{"q", "", false}}},
          {"login", {user, pass, {"remember", "1", false}, {"btnLogin", "", true}}, "3"}},
         2},
        {"table", {{"", {{"u", "bench", false}, {"p", "pw", false}}, "2"}, {"", {}}}, 0},
    };
    for (const auto& m : models)
        print(std::string("model page ") + m.page,
              bench.Median(
                  ServerUrl(std::string("/real/") + m.page + ".html"),
                  [&](int) { return BillText(m.forms, m.fill); }, [] { Server("/_real/clear"); },
                  [] { return Server("/_real/requests").find("POST") != std::string::npos; }));

    // DokuWiki: its login form is the third of three.
    const std::string wikiDir = Env("LUMO_WIKI_DIR");
    if (!wikiDir.empty()) {
        const std::string log = HostPath(wikiDir + "/access.log");
        size_t seen = 0;
        print("DokuWiki",
              bench.Median(
                  "http://127.0.0.1:" + Env("LUMO_WIKI_PORT") + "/doku.php?id=start&do=login",
                  [](int) {
                      return BillText({{"", {{"do", "search", false}, {"id", "start", false}}},
                                       {"", {{"id", "start", false}, {"do", "", false}}},
                                       {"",
                                        {{"sectok", "", false},
                                         {"id", "start", false},
                                         {"do", "login", false},
                                         {"focus__this", "alice", false},
                                         {"p", "pw-alice", false},
                                         {"remember__me", "1", false}},
                                        "6"}},
                                      2);
                  },
                  [&] { seen = ReadAll(log).size(); },
                  [&] { return ReadAll(log).find("\tPOST\t", seen) != std::string::npos; }));
    }
    return complete && lobby ? 0 : 1;
}
