// One page process: started hidden, its handle watched by the thread pool
// so that its end is posted to the shell's window at once.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/handle_win.h"
#include "common/log.h"

namespace lumo {

class PageProcess {
  public:
    PageProcess() = default;
    PageProcess(const PageProcess&) = delete;
    PageProcess& operator=(const PageProcess&) = delete;
    ~PageProcess();

    // Starts `exe` with `commandLine` and its window hidden; false on failure.
    bool Start(const std::string& exe, const std::string& commandLine);
    // Posts `msg` (wParam `id`) to `notify` once the process has ended.
    bool Watch(HWND notify, UINT msg, WPARAM id);

    DWORD pid() const { return pid_; }
    HANDLE handle() const { return process_.get(); }
    bool Ended() const;
    DWORD ExitCode() const;
    void Terminate(UINT code);
    long long LivedMs() const { return lived_.Ms(); }

  private:
    struct Target {
        HWND hwnd;
        UINT msg;
        WPARAM id;
    };
    static VOID CALLBACK OnEnded(PVOID context, BOOLEAN timedOut);

    UniqueHandle process_;
    DWORD pid_ = 0;
    HANDLE wait_ = nullptr;
    std::unique_ptr<Target> target_;
    LogTimer lived_;
};

}  // namespace lumo
