#include "updater/http_get_win.h"

#include <wininet.h>

#include <atomic>
#include <optional>

#include "common/file.h"
#include "common/guard.h"
#include "common/log.h"
#include "common/text_win.h"
#include "updater/http_get.h"

namespace lumo {

namespace {

constexpr UINT kProgressMessage = WM_APP + 1;
constexpr UINT kFinishedMessage = WM_APP + 2;

}  // namespace

// Shared by the component and its worker; the worker keeps it alive.
struct HttpDownloadState {
    std::atomic<HWND> notify{nullptr};  // null once the component is gone
    std::atomic<bool> cancel{false};
    std::atomic<bool> progressPending{false};
    std::atomic<std::int64_t> total{0};
    std::atomic<std::int64_t> readed{0};
    std::atomic<bool> success{false};
    std::atomic<int> status{0};
};

namespace {

struct Job {
    std::wstring accept, agent, host, path, user, password, post, referer, file;
    int port = 80;
    bool useCache = false;
    DWORD connectTimeoutMs = 0, receiveTimeoutMs = 0;
    std::shared_ptr<HttpDownloadState> state;
};

std::optional<std::string> QueryText(HINTERNET request, DWORD what) {
    wchar_t buf[1024];
    DWORD size = sizeof buf;
    DWORD index = 0;
    if (!HttpQueryInfoW(request, what, buf, &size, &index))
        return std::nullopt;
    return FromW(std::wstring_view(buf, size / sizeof(wchar_t)));
}

std::optional<std::uint64_t> QueryLength(HINTERNET request) {
    const auto text = QueryText(request, HTTP_QUERY_CONTENT_LENGTH);
    return text ? ParseContentLength(*text) : std::nullopt;
}

int QueryStatus(HINTERNET request) {
    DWORD status = 0, size = sizeof status, index = 0;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        &index))
        return 0;
    return static_cast<int>(status);
}

class Worker {
  public:
    explicit Worker(Job job) : job_(std::move(job)), s_(*job_.state) {}

    void Run() {
        Guarded([&] { s_.success = Download(); });
        if (file_.valid())
            file_.reset();
        PostProgress(true);
        if (HWND to = s_.notify)
            PostMessageW(to, kFinishedMessage, 0, 0);
    }

  private:
    bool Stopped() const { return s_.cancel.load(); }

    UniqueInternet Send(const std::wstring& extraHeaders) {
        const wchar_t* accept[] = {job_.accept.c_str(), nullptr};
        const DWORD flags =
            INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_KEEP_CONNECTION |
            (job_.useCache ? 0 : INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE);
        UniqueInternet request(HttpOpenRequestW(
            connection_.get(), job_.post.empty() ? L"GET" : L"POST", job_.path.c_str(), L"HTTP/1.1",
            job_.referer.empty() ? nullptr : job_.referer.c_str(), accept, flags, 0));
        if (!request)
            return {};
        SetTimeouts(request.get());
        std::wstring headers = extraHeaders;
        std::string body;
        if (!job_.post.empty()) {
            headers = L"Content-Type: application/x-www-form-urlencoded\r\n" + headers;
            body = FromW(job_.post);
        }
        if (!HttpSendRequestW(request.get(), headers.empty() ? nullptr : headers.c_str(),
                              static_cast<DWORD>(headers.size()),
                              body.empty() ? nullptr : body.data(),
                              static_cast<DWORD>(body.size())))
            return {};
        s_.status = QueryStatus(request.get());
        return request;
    }

    // Set on every handle: some WinInet versions do not pass them down.
    void SetTimeouts(HINTERNET h) {
        for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT})
            InternetSetOptionW(h, option, &job_.connectTimeoutMs, sizeof(DWORD));
        InternetSetOptionW(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &job_.receiveTimeoutMs,
                           sizeof(DWORD));
        InternetSetOptionW(h, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &job_.receiveTimeoutMs,
                           sizeof(DWORD));
    }

    // The file emptied (a fresh start) or positioned at its end (resuming).
    bool OpenTarget(bool resume, std::uint64_t offset) {
        file_.reset(CreateFileW(job_.file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                resume ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
        if (!file_)
            return false;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(resume ? offset : 0);
        return SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file_.get());
    }

    void PostProgress(bool force) {
        const DWORD now = GetTickCount();
        if (!force && now - lastPost_ < kProgressIntervalMs)
            return;
        lastPost_ = now;
        HWND to = s_.notify;
        if (to && !s_.progressPending.exchange(true))
            PostMessageW(to, kProgressMessage, 0, 0);
    }

    bool Download() {
        const std::string fileName = FromW(job_.file);
        const std::string markerName = fileName + ".ini";
        // What an earlier run left.
        std::string markerLine;
        std::optional<std::uint64_t> partial;
        if (FileExists(fileName) && FileExists(markerName)) {
            markerLine = MarkerLine(ReadFileBytes(markerName).value_or(""));
            WIN32_FILE_ATTRIBUTE_DATA info{};
            if (GetFileAttributesExW(job_.file.c_str(), GetFileExInfoStandard, &info))
                partial = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
        }
        if (Stopped())
            return false;

        session_.reset(InternetOpenW(job_.agent.empty() ? nullptr : job_.agent.c_str(),
                                     INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        if (!session_)
            return false;
        SetTimeouts(session_.get());
        connection_.reset(InternetConnectW(
            session_.get(), job_.host.c_str(), static_cast<INTERNET_PORT>(job_.port),
            job_.user.empty() ? nullptr : job_.user.c_str(),
            job_.password.empty() ? nullptr : job_.password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection_)
            return false;
        SetTimeouts(connection_.get());
        UniqueInternet request = Send(L"");
        if (!request || Stopped() || s_.status != 200)
            return false;

        DownloadOutcome outcome;
        outcome.status = 200;
        outcome.totalSize = QueryLength(request.get());
        const std::string lastModified =
            QueryText(request.get(), HTTP_QUERY_LAST_MODIFIED).value_or("");
        const ResumePlan plan = PlanResume(markerLine, partial, lastModified, outcome.totalSize);
        if (plan.resume) {
            request.reset();
            request = Send(L"Range: bytes=" + std::to_wstring(plan.offset) + L"-\r\n");
            if (!request || Stopped())
                return false;
            outcome.status = s_.status;
            if (outcome.status == 206) {
                outcome.offset = plan.offset;
                if (auto range = QueryText(request.get(), HTTP_QUERY_CONTENT_RANGE))
                    outcome.range = ParseContentRange(*range);
                if (!outcome.range || outcome.range->first != plan.offset)
                    return false;
            } else if (outcome.status == 200) {
                outcome.totalSize = QueryLength(request.get());  // the whole file again
            } else {
                return false;
            }
        }
        // The file is emptied before the marker names the new Last-Modified,
        // so a crash in between never pairs old bytes with a new marker.
        if (!OpenTarget(outcome.offset > 0, outcome.offset))
            return false;
        DeleteFileW(ToW(markerName).c_str());
        if (!lastModified.empty())
            WriteFileBytes(markerName, lastModified + "\r\n");

        s_.total = static_cast<std::int64_t>(outcome.totalSize.value_or(0));
        s_.readed = static_cast<std::int64_t>(outcome.offset);
        std::string buffer(kDownloadBlock, '\0');
        while (!Stopped()) {
            DWORD got = 0;
            if (!InternetReadFile(request.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                  &got) ||
                got == 0)
                break;
            DWORD written = 0;
            if (!WriteFile(file_.get(), buffer.data(), got, &written, nullptr) || written != got)
                return false;
            outcome.received += got;
            s_.readed = static_cast<std::int64_t>(outcome.offset + outcome.received);
            PostProgress(false);
        }
        if (Stopped())
            return false;
        return DownloadComplete(outcome);
    }

    Job job_;
    HttpDownloadState& s_;
    UniqueInternet session_;
    UniqueInternet connection_;
    UniqueHandle file_;
    DWORD lastPost_ = GetTickCount() - kProgressIntervalMs;
};

DWORD WINAPI WorkerMain(void* param) {
    std::unique_ptr<Job> job(static_cast<Job*>(param));
    // The job's state reference keeps the shared block alive for this thread.
    Worker(std::move(*job)).Run();
    return 0;
}

}  // namespace

HttpDownload::HttpDownload() {
    WindowCreateArgs args;
    args.className = L"LumoHttpGet";
    args.style = 0;
    args.parent = HWND_MESSAGE;
    CreateWindowFrom(args);
}

HttpDownload::~HttpDownload() {
    CancelDownload();
    if (state_)
        state_->notify = nullptr;
    // A worker still running finishes on its own: it holds its own reference
    // to the state and posts nothing more.
}

int HttpDownload::LastStatus() const {
    return state_ ? state_->status.load() : 0;
}

void HttpDownload::StartFileDownload() {
    if (running_ || !hwnd())
        return;
    auto state = std::make_shared<HttpDownloadState>();
    state->notify = hwnd();
    auto job = std::make_unique<Job>();
    const UrlParts url = SplitUrl(URL);
    job->accept = ToW(AcceptTypes);
    job->agent = ToW(Agent);
    job->host = ToW(url.host);
    job->port = url.port;
    job->path = ToW(url.path);
    job->user = ToW(UserName);
    job->password = ToW(Password);
    job->post = ToW(PostQuery);
    job->referer = ToW(Referer);
    job->file = ToW(FileName);
    job->useCache = UseCache;
    job->connectTimeoutMs = ConnectTimeoutMs;
    job->receiveTimeoutMs = ReceiveTimeoutMs;
    job->state = state;
    UniqueHandle thread(CreateThread(nullptr, 0, WorkerMain, job.get(), 0, nullptr));
    if (!thread) {
        LogError("download", "cannot start the download thread");
        return;
    }
    job.release();  // the thread owns it now
    state_ = std::move(state);
    thread_ = std::move(thread);
    running_ = true;
    if (WaitThread) {
        MSG msg;
        while (running_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void HttpDownload::CancelDownload() {
    if (state_) {
        state_->cancel = true;
        state_->success = false;
    }
}

void HttpDownload::DownloadFinished() {
    if (!running_)
        return;
    // The worker posts this as its last act; its end follows at once.
    WaitForSingleObject(thread_.get(), 5000);
    thread_.reset();
    running_ = false;
    const bool ok = state_->success && !state_->cancel;
    const std::int64_t size = state_->total;
    if (ok) {
        if (OnDoneFile)
            OnDoneFile(FileName, size);
    } else if (OnError) {
        OnError();
    }
}

LRESULT HttpDownload::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kProgressMessage:
            if (state_) {
                state_->progressPending = false;
                if (OnProgress && running_)
                    OnProgress(state_->total, state_->readed);
            }
            return 0;
        case kFinishedMessage:
            DownloadFinished();
            return 0;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace lumo
