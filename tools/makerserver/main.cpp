// makerserver --port N [--update-file PATH] [--version V] [--log FILE]
//             [--sign-key PRIVATE.pem] [--set K=V[&K=V...]]...
//
// Prints "listening on 127.0.0.1:PORT" once it accepts connections and serves
// until SIGTERM, SIGINT or GET /_control/quit.

#include <pthread.h>
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "tools/makerserver/maker_server.h"

namespace {

int Usage(const char* message) {
    if (message != nullptr)
        std::fprintf(stderr, "makerserver: %s\n", message);
    std::fprintf(stderr,
                 "usage: makerserver --port N [--update-file PATH] [--version V] [--log FILE]\n"
                 "                   [--sign-key PRIVATE.pem] [--set KEY=VALUE[&KEY=VALUE...]]...\n"
                 "  --port 0 picks a free port; the server binds 127.0.0.1 only.\n"
                 "  --set takes the switches of GET /_control/set (see README.md).\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    makerserver::ServerOptions options;
    int port = -1;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            Usage(nullptr);
            return 0;
        }
        if (i + 1 >= argc)
            return Usage(("missing value after " + arg).c_str());
        std::string value = argv[++i];
        if (arg == "--port") {
            auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
            if (ec != std::errc() || end != value.data() + value.size() || port < 0 ||
                port > 65535) {
                return Usage(("bad port: " + value).c_str());
            }
        } else if (arg == "--update-file") {
            options.updateFile = value;
        } else if (arg == "--version") {
            options.version = value;
        } else if (arg == "--sign-key") {
            options.signKeyFile = value;
        } else if (arg == "--log") {
            options.logFile = value;
        } else if (arg == "--set") {
            options.initialSwitches.push_back(value);
        } else {
            return Usage(("unknown option: " + arg).c_str());
        }
    }
    if (port < 0)
        return Usage("--port is required");

    // Signals are taken by one waiting thread; every other thread (the
    // server's pool included) inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    makerserver::MakerServer server(options);
    std::string error;
    if (!server.Prepare(port, error)) {
        std::fprintf(stderr, "makerserver: %s\n", error.c_str());
        return 1;
    }

    std::thread([&server, stopSignals] {
        int sig = 0;
        sigwait(&stopSignals, &sig);
        server.Stop();
    }).detach();

    // The socket listens from Prepare() on, so a client may connect as soon
    // as it has read this line.
    std::printf("listening on 127.0.0.1:%d\n", server.Port());
    std::fflush(stdout);

    return server.Run() ? 0 : 1;
}
