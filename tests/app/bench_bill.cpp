// Saved-form benchmark under Wine (not a test; prints figures): a page
// process started with a bill, on the headless engine, until its login POST
// reaches the local maker server, and until the lobby is requested with the
// saved account. Medians of repeated runs. Needs LUMO_TEST_SERVER.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "page/bill.h"
#include "tests/support/recording_shell.h"
#include "tests/support/test_support.h"
#include "tests/support/bench_stats.h"

using namespace lumo;
using namespace lumo::test;

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    SetEnvironmentVariableW(L"LUMO_BROWSER_ENGINE", L"headless");
    const int runs = 7;
    TempFolder folder("benchbill");
    const std::string exe = LayOutProgramFolder(folder.path());
    RecordingShell shell;
    shell.Create();
    const std::string handle = std::to_string(reinterpret_cast<uintptr_t>(shell.hwnd()));

    std::vector<double> posts, lobbies;
    for (int i = 0; i < runs; ++i) {
        Server("/_control/clearlog");
        const std::string account = "bench" + std::to_string(i);
        const std::string bill = BillText(
            {{"loginForm",
              {{"username", account, false}, {"password", "pw", false}, {"btnLogin", "", true}}}});
        const double t0 = NowMs();
        auto page = StartProgram(exe, {handle, ServerUrl("/game/login.html"),
                                       folder.path() + "cookies\\B" + std::to_string(i), bill});
        if (!page)
            return 1;
        double post = 0, lobby = 0;
        while (NowMs() - t0 < 15000 && !lobby) {
            const std::string log = Server("/_log");
            if (!post && log.find("POST\t/game/login") != std::string::npos)
                post = NowMs() - t0;
            if (log.find("/game/lobby.html\t" + account) != std::string::npos)
                lobby = NowMs() - t0;
            if (!lobby)
                Sleep(2);
        }
        if (post)
            posts.push_back(post);
        if (lobby)
            lobbies.push_back(lobby);
        TerminateProcess(page->process.get(), 0);
        page->Ended(5000);
    }
    std::printf("page start with a bill to its login POST at the server (median of %zu): %.0f ms\n",
                posts.size(), Median(posts));
    std::printf(
        "page start with a bill to the lobby requested as that account (median of %zu): "
        "%.0f ms\n",
        lobbies.size(), Median(lobbies));
    return posts.size() == static_cast<size_t>(runs) ? 0 : 1;
}
