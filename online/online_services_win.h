// The shell's online steps in its start and exit order, none of which waits
// on the network at start: the start report and the version request run on
// worker threads begun before the main window; the update prompt comes on
// the main thread once the main window is shown and the answer is in; the
// end report after the message loop waits about a second at most.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <string>

#include "online/update_prompt_win.h"

namespace lumo {

class OnlineServices {
  public:
    struct StartArgs {
        std::string exePath;
        std::string programFolder;  // with trailing backslash
        UpdatePrompt::ShowPage showPage;
    };

    // Time limits: each request at start; report 2 in all, at exit.
    static constexpr std::chrono::milliseconds kStartRequestTimeout{10000};
    static constexpr std::chrono::milliseconds kExitBudget{1000};

    OnlineServices();
    ~OnlineServices();
    OnlineServices(const OnlineServices&) = delete;
    OnlineServices& operator=(const OnlineServices&) = delete;

    // First step of the shell's start (before the main window): reads the
    // executable's version, starts report 1 and the version request.
    void Start(const StartArgs& args);
    // The main window is up: the version message, if any, and the prompt
    // follow (now, or when the version answer arrives).
    void MainWindowShown(HWND main);
    // After the message loop: report 2 with the identifier of this run.
    void Finish();

  private:
    struct Shared;
    class Notifier;
    void StartWorkers(const StartArgs& args);
    void OfferUpdate();

    StartArgs args_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<Notifier> notifier_;
    HWND main_ = nullptr;
    bool offered_ = false;
};

}  // namespace lumo
