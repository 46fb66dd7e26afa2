#include "online/server_version_win.h"

#include "common/file.h"
#include "common/guard.h"
#include "common/http.h"
#include "common/path.h"

namespace lumo {

std::optional<ServerVersionInfo> GetServerVersion(const std::string& url,
                                                  const std::string& programFolder,
                                                  std::chrono::milliseconds timeout) {
    return GuardedOr(std::optional<ServerVersionInfo>(), [&]() -> std::optional<ServerVersionInfo> {
        auto r = HttpGet(url, timeout);
        if (!r || r->status < 200 || r->status >= 300)
            return std::nullopt;
        const std::string copy = WithTrailingSeparator(programFolder) + "Update\\config.ini";
        if (!FolderExists(FolderOf(copy)) || !WriteFileBytes(copy, r->body + "\r\n"))
            return std::nullopt;
        auto text = ReadFileBytes(copy);
        if (!text)
            return std::nullopt;
        return ParseVersionFile(*text);
    });
}

}  // namespace lumo
