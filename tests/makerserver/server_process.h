// Runs the makerserver binary as a child process for the length of a test.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace makerserver_test {

class ServerProcess {
  public:
    ServerProcess() = default;
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess();  // kills a server that is still running

    // Starts `makerserver --port 0 args...` and waits (up to 10 s) for its
    // "listening on 127.0.0.1:PORT" line. False when the line does not come;
    // the child may then have ended (see WaitExit).
    bool Start(const std::vector<std::string>& args = {});
    // Starts the binary with exactly these arguments (no --port added).
    bool StartRaw(const std::vector<std::string>& args);

    int Port() const { return port_; }
    pid_t Pid() const { return pid_; }
    const std::string& FirstLine() const { return firstLine_; }

    // Sends SIGTERM and returns the exit code (-1 for a death by signal or a
    // child that had to be killed after 10 s).
    int Terminate();
    // Waits up to `ms` for the child to end by itself; the exit code, or -2 if
    // it still runs.
    int WaitExit(int ms);

  private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string firstLine_;
};

}  // namespace makerserver_test
