#include "tests/makerserver/server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace makerserver_test {

ServerProcess::~ServerProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool ServerProcess::Start(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"--port", "0"};
    all.insert(all.end(), args.begin(), args.end());
    return StartRaw(all);
}

bool ServerProcess::StartRaw(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    std::vector<std::string> argvText = {MAKERSERVER_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0)
        return false;
    if (pid_ == 0) {
        dup2(fds[1], STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);

    // Read up to the first line end; the server prints nothing else.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (firstLine_.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buf[256];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        firstLine_.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);

    const std::string prefix = "listening on 127.0.0.1:";
    if (firstLine_.rfind(prefix, 0) != 0 || firstLine_.back() != '\n')
        return false;
    port_ = std::stoi(firstLine_.substr(prefix.size()));
    return port_ > 0;
}

int ServerProcess::WaitExit(int ms) {
    if (pid_ <= 0)
        return -1;
    for (int waited = 0;; waited += 10) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (waited >= ms)
            return -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int ServerProcess::Terminate() {
    if (pid_ <= 0)
        return -1;
    kill(pid_, SIGTERM);
    int code = WaitExit(10000);
    if (code == -2) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return -1;
    }
    return code;
}

}  // namespace makerserver_test
