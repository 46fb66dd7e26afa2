#include "online/online_services_win.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <thread>

#include "common/guard.h"
#include "common/handle_win.h"
#include "common/log.h"
#include "common/maker.h"
#include "common/process.h"
#include "common/text_win.h"
#include "online/presence.h"
#include "online/presence_win.h"
#include "online/server_version_win.h"
#include "online/version_check.h"
#include "online/version_info_win.h"
#include "protocol/messages_win.h"

namespace lumo {

namespace {

UniqueHandle NewEvent() {
    return UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

DWORD MsUntil(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}

}  // namespace

// What the workers and the main thread share; the workers keep it alive.
struct OnlineServices::Shared {
    explicit Shared(const std::string& folder) : presence(folder) {}

    PresenceReporter presence;
    UniqueHandle startReported = NewEvent();
    TVersion version;  // read before the workers start, not changed after
    std::string versionUrl;
    HWND notifier = nullptr;

    std::mutex mu;
    bool offer = false;            // a new version, and no updater running
    std::string announcementPage;  // AnnouncementPage of the last answer
};

// A message-only window of the main thread that the version worker posts to.
class OnlineServices::Notifier : public Window {
  public:
    explicit Notifier(OnlineServices* owner) : owner_(owner) {}
    bool Create() {
        WindowCreateArgs w;
        w.className = L"LumoOnlineNotifier";
        w.style = 0;
        w.x = w.y = w.width = w.height = 0;
        w.parent = HWND_MESSAGE;
        return CreateWindowFrom(w);
    }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kUpdateOfferMessage) {
            owner_->OfferUpdate();
            return 0;
        }
        return Window::HandleMessage(msg, wp, lp);
    }

  private:
    OnlineServices* owner_;
};

OnlineServices::OnlineServices() = default;
OnlineServices::~OnlineServices() = default;

void OnlineServices::Start(const StartArgs& args) {
    Guarded([&] { StartWorkers(args); });
}

void OnlineServices::StartWorkers(const StartArgs& args) {
    args_ = args;
    auto shared = std::make_shared<Shared>(args.programFolder);
    shared->version = TVersion::Read(args.exePath);
    shared->versionUrl = MakerUrl(args.programFolder, kVersionFilePath);
    notifier_ = std::make_unique<Notifier>(this);
    if (notifier_->Create())
        shared->notifier = notifier_->hwnd();
    shared_ = shared;

    Guarded([&] {
        std::thread([shared] {
            shared->presence.Report(kPresenceStart, kStartRequestTimeout);
            SetEvent(shared->startReported.get());
        }).detach();
    });
    Guarded([&] {
        std::string folder = args.programFolder;
        std::thread([shared, folder] {
            Guarded([&] {
                auto info = GetServerVersion(shared->versionUrl, folder, kStartRequestTimeout);
                if (!info)
                    return;
                bool offer = IsNewVersion(shared->version.FileVersion, info->version) &&
                             !IsProcessRunning(kUpdaterExeName);
                LogInfo("online", "server version \"" + info->version + "\"" +
                                      (offer ? ", update offered" : ""));
                {
                    std::lock_guard lock(shared->mu);
                    shared->announcementPage = info->announcementPage;
                    shared->offer = offer;
                }
                if (offer && shared->notifier)
                    PostMessageW(shared->notifier, kUpdateOfferMessage, 0, 0);
            });
        }).detach();
    });
}

void OnlineServices::MainWindowShown(HWND main) {
    if (!shared_)
        return;
    main_ = main;
    Guarded([&] {
        if (!shared_->version.found)
            ShowVersionReadError(main);
        OfferUpdate();
    });
}

void OnlineServices::OfferUpdate() {
    if (!shared_ || !main_ || offered_)
        return;
    UpdatePrompt::CreateArgs prompt;
    {
        std::lock_guard lock(shared_->mu);
        if (!shared_->offer)
            return;
        prompt.announcementPage = shared_->announcementPage;
    }
    offered_ = true;
    prompt.showPage = args_.showPage;
    UpdatePrompt form;
    if (form.ShowModal(main_, prompt) != UpdatePrompt::Result::Ok)
        return;

    std::string arguments =
        UpdaterArguments(shared_->version.FileVersion, args_.exePath, shared_->versionUrl);
    std::wstring line = ToW(UpdaterCommandLine(args_.programFolder, arguments));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    // The updater outlives the shell, whose job ends the rest with it.
    auto start = [&](DWORD flags) {
        return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                              nullptr, &si, &pi) != FALSE;
    };
    if (start(CREATE_BREAKAWAY_FROM_JOB) || start(0)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        LogInfo("online", "updater started");
    } else {
        LogInfo("online", "updater did not start: " + std::to_string(GetLastError()));
    }
}

void OnlineServices::Finish() {
    if (!shared_)
        return;
    // Half the budget for a start report still under way (its identifier
    // is the one to send), the rest for the end report.
    const auto start = std::chrono::steady_clock::now();
    WaitForSingleObject(shared_->startReported.get(), MsUntil(start + kExitBudget / 2));
    const auto deadline = start + kExitBudget;
    auto shared = shared_;
    auto done = std::make_shared<UniqueHandle>(NewEvent());
    std::chrono::milliseconds timeout(std::max<DWORD>(MsUntil(deadline), 1));
    bool started = GuardedOr(false, [&] {
        std::thread([shared, done, timeout] {
            shared->presence.Report(kPresenceEnd, timeout);
            SetEvent(done->get());
        }).detach();
        return true;
    });
    if (started)
        WaitForSingleObject(done->get(), MsUntil(deadline));
}

}  // namespace lumo
