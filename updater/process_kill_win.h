// Ends the processes of one executable name, one per call, without ever
// waiting for ever: a process that cannot be opened, ended or waited on is
// tried a few times and then given up on.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>

namespace lumo {

class ProcessKiller {
  public:
    explicit ProcessKiller(std::string exeName) : name_(std::move(exeName)) {}

    enum class Step { None, Ended, Failed };
    // Ends the first matching process not given up on.
    Step KillOne();
    // Whether a matching process not given up on still runs.
    bool AnyLeft() const;
    const std::set<DWORD>& GivenUp() const { return givenUp_; }

    static constexpr int kTries = 3;
    static constexpr DWORD kWaitMs = 5000;

  private:
    DWORD NextTarget() const;  // 0 when none

    std::string name_;
    std::map<DWORD, int> failures_;
    std::set<DWORD> givenUp_;
};

}  // namespace lumo
