// The local maker server: start-page list, version file, update file, online
// report, IP-to-city page, a small demo web game with model login pages of
// real sites, run-time fault switches and a request log. Serves 127.0.0.1 only.
#pragma once

#include <httplib.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace makerserver {

struct ServerOptions {
    std::string updateFile;  // empty: a built-in byte pattern
    std::string version = "1.1.0.0";
    std::string logFile;      // empty: no log file
    std::string signKeyFile;  // PEM private key: the version file gets a signature
    // Switches applied at start, each "key=value[&key=value...]" as in /_control/set.
    std::vector<std::string> initialSwitches;
};

// The built-in update file when none is given: `size` bytes of a fixed pattern.
std::string BuiltInUpdateData(size_t size);
// `size` bytes that are no program (no "MZ"), for the garbage switch.
std::string GarbageData(size_t size);
// Lower-case hex SHA-256 of `data`.
std::string Sha256Hex(const std::string& data);

class MakerServer {
  public:
    explicit MakerServer(ServerOptions options);

    // Reads the update file, opens the log file, binds 127.0.0.1:port (0 picks
    // a free port) and applies the initial switches. False with `error` set
    // when any of this fails.
    bool Prepare(int port, std::string& error);
    int Port() const { return port_; }

    // Serves until Stop() or GET /_control/quit.
    bool Run();
    // From any thread, also before Run() has started listening.
    void Stop();

  private:
    struct Switches {
        std::map<std::string, int> delayMs;  // "" = every path
        std::set<std::string> notFound;      // "" = every path
        bool chunked = false;
        bool sendLastModified = true;
        bool honourRange = true;
        int trickleMs = 0;
        std::time_t lastModified = 0;
        std::shared_ptr<const std::string> updateData;
        long cutAfter = 0;        // > 0: the update file's connection drops after that many bytes
        bool cutOnce = false;     // the cut applies to the next answer only
        bool garbage = false;     // update file: non-executable bytes of the same length
        bool updateHtml = false;  // update file: an HTML page with 200
        std::optional<std::string> sha256;  // "auto", or a value for the version file
        // "auto" (the update signed with signKey), or a value for the version file.
        std::optional<std::string> signature;
        std::shared_ptr<const std::string> signKey;  // PEM private key
        std::string version;
        std::string imagePath;
        bool versionHtml = false;
        std::vector<std::string> startPages;
        std::optional<std::string> startPagesRaw;
        std::optional<std::string> onlineReply;
        std::optional<std::string> clientIp;
        std::optional<std::string> ip2cityRaw;
    };
    struct LogEntry {
        std::string path;
        std::string account;
    };
    struct OnlineStats {
        long starts = 0;
        long ends = 0;
        long idsAssigned = 0;
        long md5Ok = 0;
        long md5Bad = 0;
    };
    struct LoginModels {
        std::map<std::string, std::string> tokens;  // visit cookie -> security token served last
        std::vector<std::string> requests;          // form requests: method, target, body, verdict
    };
    using Params = std::multimap<std::string, std::string>;

    Switches DefaultSwitches() const;
    std::string Base() const;
    // Validates every key first, then applies them all; false with `error`
    // naming the first bad key or value.
    bool ApplySwitches(const Params& params, std::string& error);
    std::string AccountOfLocked(const httplib::Request& req) const;
    void LogLocked(const httplib::Request& req, const std::string& account);
    std::string NewTokenLocked();

    void Routes();
    // The model login pages of real sites (login_models.cpp).
    void LoginModelRoutes();
    void ServeUpdateFile(const httplib::Request& req, httplib::Response& res);
    void ServeLogin(const httplib::Request& req, httplib::Response& res);
    void ServeOnline(const httplib::Request& req, httplib::Response& res);

    ServerOptions options_;
    httplib::Server http_;
    int port_ = 0;
    std::atomic<bool> runEnded_{false};
    std::shared_ptr<const std::string> fileData_;
    std::time_t initialLastModified_ = 0;
    std::shared_ptr<const std::string> signKey_;

    mutable std::mutex mu_;
    Switches switches_;
    std::map<std::string, std::string> sessions_;  // session token -> account
    std::vector<std::string> logLines_;
    std::vector<LogEntry> logEntries_;
    std::ofstream logFile_;
    OnlineStats stats_;
    LoginModels models_;
    long nextId_ = 1001;
    std::mt19937_64 rng_;
};

}  // namespace makerserver
