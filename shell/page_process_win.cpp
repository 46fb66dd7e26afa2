#include "shell/page_process_win.h"

#include "common/text_win.h"

namespace lumo {

PageProcess::~PageProcess() {
    // Waits for a callback that is running, so the target outlives it.
    if (wait_)
        UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
}

bool PageProcess::Start(const std::string& exe, const std::string& commandLine) {
    std::wstring cmd = ToW(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(ToW(exe).c_str(), cmd.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si,
                        &pi))
        return false;
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    pid_ = pi.dwProcessId;
    lived_ = LogTimer();
    return true;
}

bool PageProcess::Watch(HWND notify, UINT msg, WPARAM id) {
    if (!process_.valid() || wait_)
        return false;
    target_ = std::make_unique<Target>(Target{notify, msg, id});
    return RegisterWaitForSingleObject(&wait_, process_.get(), OnEnded, target_.get(), INFINITE,
                                       WT_EXECUTEONLYONCE) != FALSE;
}

VOID CALLBACK PageProcess::OnEnded(PVOID context, BOOLEAN) {
    auto* t = static_cast<Target*>(context);
    PostMessageW(t->hwnd, t->msg, t->id, 0);
}

bool PageProcess::Ended() const {
    return !process_.valid() || WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT;
}

DWORD PageProcess::ExitCode() const {
    DWORD code = 0;
    if (process_.valid())
        GetExitCodeProcess(process_.get(), &code);
    return code;
}

void PageProcess::Terminate(UINT code) {
    if (process_.valid() && !Ended())
        TerminateProcess(process_.get(), code);
}

}  // namespace lumo
