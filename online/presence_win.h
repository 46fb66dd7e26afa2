// The shell's presence reports to the maker's server. Report 1 runs on a
// worker thread at start, report 2 after the message loop: the client
// identifier they share is guarded.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>

namespace lumo {

class PresenceReporter {
  public:
    explicit PresenceReporter(std::string programFolder) : folder_(std::move(programFolder)) {}

    // One report (kPresenceStart or kPresenceEnd): the public address, then
    // the report itself, each request given at most `timeout`. A start
    // report reads the identifier from Config.ini and stores one the server
    // assigns. Never throws; failures leave things as they were.
    void Report(int op, std::chrono::milliseconds timeout);

    // The identifier held now (read or assigned by the start report).
    std::string clientId() const;

  private:
    std::string folder_;
    mutable std::mutex mu_;
    std::optional<std::string> clientId_;
};

}  // namespace lumo
