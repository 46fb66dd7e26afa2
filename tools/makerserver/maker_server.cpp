#include "tools/makerserver/maker_server.h"

#include <openssl/evp.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <charconv>
#include <sstream>
#include <thread>

#include "common/base64.h"
#include "common/md5.h"
#include "common/text.h"
#include "tools/makerserver/pages.h"
#include "tools/makerserver/text_util.h"
#include "tools/release/update_signing.h"

namespace makerserver {
namespace {

constexpr char kSessionCookie[] = "LUMOSID";
constexpr char kAccountCookie[] = "LUMOACCT";
constexpr char kHtml[] = "text/html; charset=utf-8";
constexpr char kText[] = "text/plain";
constexpr size_t kBuiltInUpdateSize = 5000;
constexpr size_t kBlock = 1024;

bool IsServicePath(const std::string& path) {
    return path.rfind("/_", 0) == 0;
}

bool ParseInt(const std::string& text, long& out) {
    if (text.empty())
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ParseFlag(const std::string& text, bool& out) {
    if (text == "1" || text == "on" || text == "true") {
        out = true;
        return true;
    }
    if (text == "0" || text == "off" || text == "false") {
        out = false;
        return true;
    }
    return false;
}

std::string LocalTimestamp() {
    auto now = std::chrono::system_clock::now();
    std::time_t secs = std::chrono::system_clock::to_time_t(now);
    auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    char buf[64];
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900,
             tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    return buf;
}

// Tabs and line ends would break the one-line, tab-separated log format.
std::string LogField(const std::string& text) {
    if (text.empty())
        return "-";
    std::string out = text;
    for (char& c : out) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return out;
}

// All Cookie headers of a request as one "a=1; b=2" text.
std::string CookieHeader(const httplib::Request& req) {
    std::string header;
    for (size_t i = 0, n = req.get_header_value_count("Cookie"); i < n; ++i) {
        if (!header.empty())
            header += "; ";
        header += req.get_header_value("Cookie", i);
    }
    return header;
}

std::string Param(const httplib::Request& req, const char* name, const char* alias = nullptr) {
    std::string value = req.get_param_value(name);
    if (value.empty() && alias != nullptr)
        value = req.get_param_value(alias);
    return value;
}

// Streams [from, from + length) of `data` in blocks, pausing `pauseMs` after each.
bool WriteBlock(const std::string& data, size_t from, size_t length, size_t offset, int pauseMs,
                httplib::DataSink& sink) {
    size_t n = std::min(kBlock, length - offset);
    if (!sink.write(data.data() + from + offset, n))
        return false;
    if (pauseMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    return true;
}

}  // namespace

std::string BuiltInUpdateData(size_t size) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 31 + (i >> 8) * 7 + 11) & 0xFF);
    if (size >= 2) {
        data[0] = 'M';
        data[1] = 'Z';
    }
    return data;
}

std::string GarbageData(size_t size) {
    static constexpr char kText[] = "GARBAGE-NOT-A-PROGRAM-";
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = kText[i % (sizeof kText - 1)];
    return data;
}

std::string Sha256Hex(const std::string& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return hex;
}

MakerServer::MakerServer(ServerOptions options)
    : options_(std::move(options)), rng_(std::random_device{}()) {}

std::string MakerServer::Base() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

MakerServer::Switches MakerServer::DefaultSwitches() const {
    Switches s;
    s.lastModified = initialLastModified_;
    s.updateData = fileData_;
    s.version = options_.version;
    s.signKey = signKey_;
    if (signKey_)
        s.signature = "auto";
    s.startPages = {Base() + "/game/login.html", Base() + "/faq.html"};
    return s;
}

bool MakerServer::Prepare(int port, std::string& error) {
    if (!options_.updateFile.empty()) {
        std::ifstream in(options_.updateFile, std::ios::binary);
        if (!in) {
            error = "cannot read update file " + options_.updateFile;
            return false;
        }
        std::ostringstream data;
        data << in.rdbuf();
        fileData_ = std::make_shared<const std::string>(data.str());
        struct stat st {};
        initialLastModified_ =
            stat(options_.updateFile.c_str(), &st) == 0 ? st.st_mtime : std::time(nullptr);
    } else {
        fileData_ = std::make_shared<const std::string>(BuiltInUpdateData(kBuiltInUpdateSize));
        initialLastModified_ = std::time(nullptr) - 86400;
    }
    if (!options_.signKeyFile.empty()) {
        std::ifstream in(options_.signKeyFile, std::ios::binary);
        std::ostringstream key;
        key << in.rdbuf();
        std::string ignored;
        if (!in || !lumo::release::SignUpdate(key.str(), "", ignored)) {
            error = "cannot sign with " + options_.signKeyFile + " " + ignored;
            return false;
        }
        signKey_ = std::make_shared<const std::string>(key.str());
    }
    if (!options_.logFile.empty()) {
        logFile_.open(options_.logFile, std::ios::app);
        if (!logFile_) {
            error = "cannot open log file " + options_.logFile;
            return false;
        }
    }

    http_.new_task_queue = [] { return new httplib::ThreadPool(32); };
    // The library's default adds SO_REUSEPORT, which would let a second server
    // share a busy port silently; a clash must fail instead.
    http_.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    Routes();
    if (port == 0) {
        port_ = http_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0) {
            error = "cannot bind 127.0.0.1";
            return false;
        }
    } else {
        if (!http_.bind_to_port("127.0.0.1", port)) {
            error = "cannot bind 127.0.0.1:" + std::to_string(port);
            return false;
        }
        port_ = port;
    }

    switches_ = DefaultSwitches();
    for (const std::string& text : options_.initialSwitches) {
        Params params;
        std::string_view rest = text;
        while (!rest.empty()) {
            size_t amp = rest.find('&');
            std::string_view pair = rest.substr(0, amp);
            rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
            size_t eq = pair.find('=');
            params.emplace(std::string(pair.substr(0, eq)), eq == std::string_view::npos
                                                                ? std::string()
                                                                : std::string(pair.substr(eq + 1)));
        }
        if (!ApplySwitches(params, error)) {
            return false;
        }
    }
    return true;
}

bool MakerServer::Run() {
    bool ok = http_.listen_after_bind();
    runEnded_ = true;
    return ok;
}

void MakerServer::Stop() {
    // The library ignores stop() until its accept loop has begun, and a
    // signal may come right after the "listening" line: wait for the loop.
    while (!http_.is_running() && !runEnded_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    http_.stop();
}

bool MakerServer::ApplySwitches(const Params& params, std::string& error) {
    // The "path" key narrows "delay" and "notfound" of the same request to one
    // path; "startpage" may repeat and replaces the whole list. Nothing is
    // applied unless every key is good.
    std::string path;
    if (auto it = params.find("path"); it != params.end()) {
        path = it->second;
    }
    std::lock_guard lock(mu_);
    Switches s = switches_;
    std::optional<long> nextId;
    bool startPagesGiven = false;
    for (const auto& [key, value] : params) {
        long number = 0;
        bool flag = false;
        const bool isInt = ParseInt(value, number);
        const bool isFlag = ParseFlag(value, flag);
        bool ok = true;
        if (key == "path") {
            // used above
        } else if (key == "delay") {
            ok = isInt && number >= 0;
            if (ok && number == 0)
                s.delayMs.erase(path);
            if (ok && number > 0)
                s.delayMs[path] = static_cast<int>(number);
        } else if (key == "notfound") {
            ok = isFlag;
            if (ok && flag)
                s.notFound.insert(path);
            if (ok && !flag)
                s.notFound.erase(path);
        } else if (key == "chunked") {
            ok = isFlag;
            s.chunked = flag;
        } else if (key == "lastmodified") {
            ok = isFlag;
            s.sendLastModified = flag;
        } else if (key == "range") {
            ok = isFlag;
            s.honourRange = flag;
        } else if (key == "bumplastmodified") {
            ok = isFlag;
            if (flag)
                s.lastModified += 3600;
        } else if (key == "trickle") {
            ok = isInt && number >= 0;
            s.trickleMs = static_cast<int>(number);
        } else if (key == "updatesize") {
            ok = isInt && number >= 0 && number <= (64L << 20);
            if (ok) {
                s.updateData = std::make_shared<const std::string>(
                    BuiltInUpdateData(static_cast<size_t>(number)));
            }
        } else if (key == "updatefile") {
            std::ifstream in(value, std::ios::binary);
            ok = static_cast<bool>(in);
            if (ok) {
                std::ostringstream data;
                data << in.rdbuf();
                s.updateData = std::make_shared<const std::string>(data.str());
                // A new file is a new Last-Modified: no partial copy of the
                // old one may be resumed with it.
                s.lastModified = std::max(s.lastModified + 1, std::time(nullptr));
            }
        } else if (key == "cutafter") {
            ok = isInt && number >= 0;
            s.cutAfter = number;
        } else if (key == "cutonce") {
            ok = isFlag;
            s.cutOnce = flag;
        } else if (key == "garbage") {
            ok = isFlag;
            s.garbage = flag;
        } else if (key == "updatehtml") {
            ok = isFlag;
            s.updateHtml = flag;
        } else if (key == "sha256") {
            if (value == "none")
                s.sha256.reset();
            else
                s.sha256 = value;
        } else if (key == "signature") {
            if (value == "none")
                s.signature.reset();
            else
                s.signature = value;
        } else if (key == "signkey") {
            std::ifstream in(value, std::ios::binary);
            std::ostringstream pem;
            pem << in.rdbuf();
            ok = static_cast<bool>(in);
            if (ok)
                s.signKey = std::make_shared<const std::string>(pem.str());
        } else if (key == "version") {
            s.version = value;
        } else if (key == "imagepath") {
            s.imagePath = value;
        } else if (key == "versionhtml") {
            ok = isFlag;
            s.versionHtml = flag;
        } else if (key == "startpage") {
            if (!startPagesGiven)
                s.startPages.clear();
            startPagesGiven = true;
            if (!value.empty())
                s.startPages.push_back(value);
        } else if (key == "startpagesraw") {
            s.startPagesRaw = value;
        } else if (key == "onlinereply") {
            s.onlineReply = value;
        } else if (key == "nextid") {
            ok = isInt;
            nextId = number;
        } else if (key == "clientip") {
            s.clientIp = value;
        } else if (key == "ip2cityraw") {
            s.ip2cityRaw = value;
        } else {
            error = "unknown switch: " + key;
            return false;
        }
        if (!ok) {
            error = "bad value for " + key + ": " + value;
            return false;
        }
    }
    if (startPagesGiven)
        s.startPagesRaw.reset();
    switches_ = std::move(s);
    if (nextId)
        nextId_ = *nextId;
    return true;
}

std::string MakerServer::AccountOfLocked(const httplib::Request& req) const {
    auto cookies = ParseCookieHeader(CookieHeader(req));
    if (auto it = cookies.find(kSessionCookie); it != cookies.end()) {
        if (auto session = sessions_.find(it->second); session != sessions_.end())
            return session->second;
    }
    if (auto it = cookies.find(kAccountCookie); it != cookies.end() && !it->second.empty()) {
        return PercentDecode(it->second);
    }
    return "-";
}

void MakerServer::LogLocked(const httplib::Request& req, const std::string& account) {
    std::string line = LocalTimestamp() + "\t" + LogField(req.method) + "\t" +
                       LogField(req.target) + "\t" + LogField(account) + "\t" +
                       LogField(req.get_header_value("Range")) + "\t" +
                       LogField(req.get_header_value("Via"));
    logLines_.push_back(line);
    logEntries_.push_back({req.path, account});
    if (logFile_.is_open())
        logFile_ << line << std::endl;
}

std::string MakerServer::NewTokenLocked() {
    char buf[40];
    snprintf(buf, sizeof buf, "%016llx%016llx", static_cast<unsigned long long>(rng_()),
             static_cast<unsigned long long>(rng_()));
    return buf;
}

void MakerServer::Routes() {
    using httplib::Request;
    using httplib::Response;
    using httplib::Server;

    // Every request passes here first: logging, slow answers and forced 404s.
    // Ranges are answered by the update-file route alone, so the library's own
    // range handling is switched off for every request.
    http_.set_pre_routing_handler([this](const Request& req, Response& res) {
        const_cast<Request&>(req).ranges.clear();
        if (IsServicePath(req.path))
            return Server::HandlerResponse::Unhandled;
        int delay = 0;
        bool notFound = false;
        {
            std::lock_guard lock(mu_);
            LogLocked(req, AccountOfLocked(req));
            const Switches& s = switches_;
            if (auto it = s.delayMs.find(req.path); it != s.delayMs.end()) {
                delay = it->second;
            } else if (auto all = s.delayMs.find(""); all != s.delayMs.end()) {
                delay = all->second;
            }
            notFound = s.notFound.count(req.path) > 0 || s.notFound.count("") > 0;
        }
        if (delay > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        if (!notFound)
            return Server::HandlerResponse::Unhandled;
        res.status = 404;
        res.set_content(NotFoundPage(req.path), "text/html; charset=iso-8859-1");
        return Server::HandlerResponse::Handled;
    });
    http_.set_error_handler(Server::HandlerWithResponse([](const Request& req, Response& res) {
        if (res.status != 404 || !res.body.empty())
            return Server::HandlerResponse::Unhandled;
        res.set_content(NotFoundPage(req.path), "text/html; charset=iso-8859-1");
        return Server::HandlerResponse::Handled;
    }));

    // Maker's site.
    http_.Get("/",
              [this](const Request&, Response& res) { res.set_content(IndexPage(Base()), kHtml); });
    http_.Get("/faq.html",
              [](const Request&, Response& res) { res.set_content(FaqPage(), kHtml); });
    http_.Get("/box.html",
              [this](const Request&, Response& res) { res.set_content(BoxPage(Base()), kHtml); });
    http_.Get("/user/ADPage/firstPage.ini", [this](const Request&, Response& res) {
        std::lock_guard lock(mu_);
        res.set_content(switches_.startPagesRaw
                            ? *switches_.startPagesRaw
                            : lumo::Utf8ToAnsi(StartPageList(switches_.startPages)),
                        kText);
    });
    http_.Get("/user/VersionInfo/config.ini", [this](const Request&, Response& res) {
        std::lock_guard lock(mu_);
        if (switches_.versionHtml) {
            res.set_content(lumo::Utf8ToAnsi(VersionMaintenancePage()),
                            "text/html; charset=gb2312");
        } else {
            std::string file = VersionFile(switches_.version, switches_.imagePath);
            if (switches_.sha256) {
                file += "sha256=" +
                        (*switches_.sha256 == "auto" ? Sha256Hex(*switches_.updateData)
                                                     : *switches_.sha256) +
                        "\r\n";
            }
            if (switches_.signature) {
                std::string value = *switches_.signature, error;
                if (value == "auto") {
                    const auto rs = switches_.signKey
                                        ? lumo::release::SignUpdate(*switches_.signKey,
                                                                    *switches_.updateData, error)
                                        : std::nullopt;
                    value = rs ? lumo::Base64Encode(*rs) : "";
                }
                file += "signature=" + value + "\r\n";
            }
            res.set_content(file, kText);
        }
    });
    http_.Get("/user/VersionInfo/Lumo",
              [this](const Request& req, Response& res) { ServeUpdateFile(req, res); });
    http_.Get("/user/online.php",
              [this](const Request& req, Response& res) { ServeOnline(req, res); });
    http_.Get("/ip2city.asp", [this](const Request& req, Response& res) {
        std::string body;
        {
            std::lock_guard lock(mu_);
            if (switches_.ip2cityRaw) {
                body = *switches_.ip2cityRaw;
            } else {
                body = Ip2CityPage(switches_.clientIp ? *switches_.clientIp : req.remote_addr);
            }
        }
        res.set_content(lumo::Utf8ToAnsi(body), "text/html; charset=gb2312");
    });

    // Demo game.
    http_.Get("/game/login.html",
              [](const Request&, Response& res) { res.set_content(LoginPage(""), kHtml); });
    http_.Get("/game/login", [this](const Request& req, Response& res) { ServeLogin(req, res); });
    http_.Post("/game/login", [this](const Request& req, Response& res) { ServeLogin(req, res); });
    LoginModelRoutes();
    http_.Get("/game/lobby.html", [this](const Request& req, Response& res) {
        std::string account;
        {
            std::lock_guard lock(mu_);
            account = AccountOfLocked(req);
        }
        if (account == "-") {
            res.set_redirect("/game/login.html", 302);
        } else {
            res.set_content(LobbyPage(account), kHtml);
        }
    });
    http_.Get("/game/popup.html",
              [](const Request&, Response& res) { res.set_content(PopupPage(), kHtml); });
    http_.Get("/game/autopopup.html",
              [](const Request&, Response& res) { res.set_content(AutoPopupPage(), kHtml); });
    http_.Get("/game/popup-target.html", [this](const Request& req, Response& res) {
        std::string account;
        {
            std::lock_guard lock(mu_);
            account = AccountOfLocked(req);
        }
        res.set_content(PopupTargetPage(account), kHtml);
    });
    http_.Get("/game/logout", [this](const Request& req, Response& res) {
        {
            std::lock_guard lock(mu_);
            auto cookies = ParseCookieHeader(CookieHeader(req));
            if (auto it = cookies.find(kSessionCookie); it != cookies.end())
                sessions_.erase(it->second);
        }
        const std::string past = "; expires=" + HttpDate(0) + "; path=/";
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + past);
        res.set_header("Set-Cookie", std::string(kAccountCookie) + "=" + past);
        res.set_redirect("/game/login.html", 302);
    });

    // Control and inspection.
    http_.Get("/_control/set", [this](const Request& req, Response& res) {
        std::string error;
        if (ApplySwitches(Params(req.params.begin(), req.params.end()), error)) {
            res.set_content("ok\n", kText);
        } else {
            res.status = 400;
            res.set_content(error + "\n", kText);
        }
    });
    http_.Get("/_control/reset", [this](const Request&, Response& res) {
        {
            std::lock_guard lock(mu_);
            switches_ = DefaultSwitches();
        }
        res.set_content("ok\n", kText);
    });
    http_.Get("/_control/clearlog", [this](const Request&, Response& res) {
        {
            std::lock_guard lock(mu_);
            logLines_.clear();
            logEntries_.clear();
            stats_ = OnlineStats();
        }
        res.set_content("ok\n", kText);
    });
    http_.Get("/_control/quit", [this](const Request&, Response& res) {
        res.set_content("bye\n", kText);
        Stop();
    });
    http_.Get("/_log", [this](const Request&, Response& res) {
        std::string text;
        {
            std::lock_guard lock(mu_);
            for (const std::string& line : logLines_) text += line + "\n";
        }
        res.set_content(text, "text/plain; charset=utf-8");
    });
    http_.Get("/_seen", [this](const Request& req, Response& res) {
        std::string path = req.get_param_value("path");
        std::string text;
        {
            std::lock_guard lock(mu_);
            std::set<std::string> listed;
            for (const LogEntry& e : logEntries_) {
                if (e.path == path && e.account != "-" && listed.insert(e.account).second)
                    text += e.account + "\n";
            }
        }
        res.set_content(text, "text/plain; charset=utf-8");
    });
    http_.Get("/_stats", [this](const Request&, Response& res) {
        std::string text;
        {
            std::lock_guard lock(mu_);
            text = "starts=" + std::to_string(stats_.starts) +
                   "\nends=" + std::to_string(stats_.ends) +
                   "\nids=" + std::to_string(stats_.idsAssigned) +
                   "\nmd5_ok=" + std::to_string(stats_.md5Ok) +
                   "\nmd5_bad=" + std::to_string(stats_.md5Bad) +
                   "\nnext_id=" + std::to_string(nextId_) + "\n";
        }
        res.set_content(text, kText);
    });
}

void MakerServer::ServeUpdateFile(const httplib::Request& req, httplib::Response& res) {
    std::shared_ptr<const std::string> data;
    bool chunked, sendLastModified, honourRange;
    int trickleMs;
    std::time_t lastModified;
    long cutAfter;
    const char* type = "application/octet-stream";
    {
        std::lock_guard lock(mu_);
        data = switches_.updateData;
        chunked = switches_.chunked;
        sendLastModified = switches_.sendLastModified;
        honourRange = switches_.honourRange;
        trickleMs = switches_.trickleMs;
        lastModified = switches_.lastModified;
        cutAfter = switches_.cutAfter;
        if (switches_.cutOnce && cutAfter > 0)
            switches_.cutAfter = 0;
        if (switches_.garbage) {
            data = std::make_shared<const std::string>(GarbageData(data->size()));
        } else if (switches_.updateHtml) {
            data = std::make_shared<const std::string>(UpdateErrorPage());
            type = "text/html; charset=utf-8";
        }
    }
    if (sendLastModified)
        res.set_header("Last-Modified", HttpDate(lastModified));
    if (honourRange)
        res.set_header("Accept-Ranges", "bytes");

    size_t from = 0;
    size_t length = data->size();
    res.status = 200;
    if (honourRange && req.has_header("Range")) {
        ByteRange range;
        switch (ResolveByteRange(req.get_header_value("Range"), data->size(), range)) {
            case RangeCheck::kIgnore:
                break;
            case RangeCheck::kSatisfiable:
                from = static_cast<size_t>(range.first);
                length = static_cast<size_t>(range.last - range.first + 1);
                res.status = 206;
                res.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                                    std::to_string(range.last) + "/" +
                                                    std::to_string(data->size()));
                break;
            case RangeCheck::kUnsatisfiable:
                res.status = 416;
                res.set_header("Content-Range", "bytes */" + std::to_string(data->size()));
                return;
        }
    }

    if (chunked) {
        res.set_chunked_content_provider(
            type, [data, from, length, trickleMs](size_t offset, httplib::DataSink& sink) {
                if (offset >= length) {
                    sink.done();
                    return true;
                }
                return WriteBlock(*data, from, length, offset, trickleMs, sink);
            });
    } else if (cutAfter > 0) {
        // The full length is announced; the connection drops after `cutAfter`
        // bytes of the body.
        const size_t cut = std::min(length, static_cast<size_t>(cutAfter));
        res.set_content_provider(
            length, type,
            [data, from, cut, trickleMs](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset >= cut)
                    return false;
                return WriteBlock(*data, from, cut, offset, trickleMs, sink);
            });
    } else if (trickleMs > 0) {
        res.set_content_provider(
            length, type,
            [data, from, length, trickleMs](size_t offset, size_t, httplib::DataSink& sink) {
                return WriteBlock(*data, from, length, offset, trickleMs, sink);
            });
    } else {
        res.set_content(data->substr(from, length), type);
    }
}

void MakerServer::ServeLogin(const httplib::Request& req, httplib::Response& res) {
    std::string user = Param(req, "username", "user");
    std::string pass = Param(req, "password", "pass");
    if (user.empty() || pass.empty()) {
        res.set_content(LoginPage("帐号或密码错误，请重新输入。"), kHtml);
        return;
    }
    std::string token;
    {
        std::lock_guard lock(mu_);
        token = NewTokenLocked();
        sessions_[token] = user;
    }
    res.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + token + "; path=/");
    res.set_header("Set-Cookie", std::string(kAccountCookie) + "=" + PercentEncode(user) +
                                     "; expires=" + HttpDate(std::time(nullptr) + 365L * 86400) +
                                     "; path=/");
    res.set_redirect("/game/lobby.html", 302);
}

void MakerServer::ServeOnline(const httplib::Request& req, httplib::Response& res) {
    const std::string ip = req.get_param_value("ip");
    const std::string op = req.get_param_value("op");
    const std::string rand = req.get_param_value("rand");
    const std::string key = req.get_param_value("key");
    const bool digestOk = req.get_param_value("md5") == lumo::Md5Hex(ip + rand);
    std::string reply;
    {
        std::lock_guard lock(mu_);
        if (op == "1")
            ++stats_.starts;
        if (op == "2")
            ++stats_.ends;
        ++(digestOk ? stats_.md5Ok : stats_.md5Bad);
        if (switches_.onlineReply) {
            reply = *switches_.onlineReply;
        } else if (key == "0" && op == "1") {
            reply = std::to_string(nextId_++) + ":ok";
            ++stats_.idsAssigned;
        } else {
            reply = "ok";
        }
    }
    res.set_content(reply, "text/html; charset=gb2312");
}

}  // namespace makerserver
