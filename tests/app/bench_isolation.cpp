// Page-start benchmark under Wine (not a test; prints figures): a page
// process started for an address until it reports that address loaded, for a
// plain page and for a log-in that sets cookies and redirects to the lobby.
// The same runs, interleaved, for the Lumo.exe of this build and, when
// LUMO_BASELINE_EXE names one (e.g. built from an earlier commit), for that
// one. Medians. Needs the local maker server (LUMO_TEST_SERVER).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/text_win.h"
#include "tests/support/bench_stats.h"
#include "tests/support/recording_shell.h"
#include "tests/support/test_support.h"

using namespace lumo;
using namespace lumo::test;

namespace {

// Process start until the page reports `loaded` as its address; 0 when it
// does not within 15 s.
double PageStart(RecordingShell& shell, const std::string& exe, const std::string& address,
                 const std::string& loaded, const std::string& cookieFolder) {
    shell.Clear();
    const std::string handle = std::to_string(reinterpret_cast<uintptr_t>(shell.hwnd()));
    const double t0 = NowMs();
    auto page = StartProgram(exe, {handle, address, cookieFolder, ""});
    if (!page)
        return 0;
    double ms = 0;
    WaitFor(
        [&] {
            for (const std::string& url : shell.With("URL:"))
                if (url == "URL:" + loaded)
                    return (ms = NowMs() - t0) > 0;
            return false;
        },
        15000);
    TerminateProcess(page->process.get(), 0);
    page->Ended(5000);
    return ms;
}

}  // namespace

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    SetEnvironmentVariableW(L"LUMO_BROWSER_ENGINE", L"headless");
    const int runs = 9;
    TempFolder folder("benchiso");
    struct Build {
        const char* name;
        std::string exe;
        std::vector<double> plain, login;
    };
    std::vector<Build> builds{{"this build", LayOutProgramFolder(folder.path()), {}, {}}};
    if (std::string baseline = Env("LUMO_BASELINE_EXE"); !baseline.empty()) {
        std::string exe = folder.path() + "Baseline.exe";
        if (CopyFileW(ToW(HostPath(baseline)).c_str(), ToW(exe).c_str(), FALSE))
            builds.push_back({"baseline", exe, {}, {}});
    }
    RecordingShell shell;
    shell.Create();
    for (int i = 0; i < runs; ++i)
        for (Build& b : builds) {
            const std::string n = std::to_string(i);
            const std::string cookies = folder.path() + "cookies\\" + b.name[0] + n;
            if (double ms = PageStart(shell, b.exe, ServerUrl("/faq.html?i=" + n),
                                      ServerUrl("/faq.html?i=" + n), cookies))
                b.plain.push_back(ms);
            if (double ms = PageStart(shell, b.exe, ServerUrl("/game/login?user=b" + n + "&pass=1"),
                                      ServerUrl("/game/lobby.html"), cookies + "L"))
                b.login.push_back(ms);
        }
    for (const Build& b : builds) {
        std::printf("%s: page start to page loaded (median of %zu): %.0f ms\n", b.name,
                    b.plain.size(), Median(b.plain));
        std::printf("%s: page start to log-in redirected to the lobby (median of %zu): %.0f ms\n",
                    b.name, b.login.size(), Median(b.login));
    }
    return 0;
}
