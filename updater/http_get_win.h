// THTTPGet: fetches one HTTP address into a file on a worker thread of its
// own over WinInet, resuming a partial file whose server copy has not
// changed, and reports progress and the end to the thread that created it.
//
// The worker shares only a reference-counted state block with the component
// and talks to it by posting messages to the component's message-only
// window, so it never waits on the owner and may outlive the component.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/handle_win.h"
#include "common/window_win.h"

namespace lumo {

struct HttpDownloadState;

class HttpDownload : private Window {
  public:
    // Properties, copied into the worker when a download starts.
    std::string AcceptTypes = "*/*";
    std::string Agent = "Vortalix HTTPGet";
    bool BinaryData = false;
    std::string URL;
    bool UseCache = false;
    std::string FileName;
    std::string UserName;
    std::string Password;
    std::string PostQuery;
    std::string Referer;
    bool WaitThread = false;
    // No answer within these ends the download as a failure.
    DWORD ConnectTimeoutMs = 15000;
    DWORD ReceiveTimeoutMs = 20000;

    // Events, run on the creating thread.
    std::function<void(std::int64_t totalSize, std::int64_t readed)> OnProgress;
    std::function<void(const std::string& fileName, std::int64_t fileSize)> OnDoneFile;
    std::function<void()> OnError;

    HttpDownload();
    ~HttpDownload() override;  // cancels a running download

    // Starts the download into FileName; ignored while one runs.
    void StartFileDownload();
    // Asks the worker to stop; the end is reported through OnError.
    void CancelDownload();
    bool Running() const { return running_; }
    // HTTP status of the last answer (0 when none came).
    int LastStatus() const;

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void DownloadFinished();

    std::shared_ptr<HttpDownloadState> state_;
    UniqueHandle thread_;
    bool running_ = false;
};

}  // namespace lumo
