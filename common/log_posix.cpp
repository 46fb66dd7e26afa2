// The log's native half, for tests and tools: stderr only when LUMO_LOG_STDERR
// is set; files are appended with O_APPEND, one write per line.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "common/log.h"
#include "common/log_platform.h"
#include "common/path.h"

namespace lumo {

std::string DefaultLogFolder() {
    const char* dir = std::getenv("LUMO_LOG_DIR");
    return dir && *dir ? WithTrailingSeparator(dir, '/') : std::string();
}

namespace logsys {

std::string Stamp() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03ld", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, ts.tv_nsec / 1000000);
    return buf;
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(getpid());
}

void ToDebugger(const std::string& line) {
    const char* flag = std::getenv("LUMO_LOG_STDERR");
    if (flag && *flag)
        std::fputs(line.c_str(), stderr);
}

bool Append(const std::string& path, std::string_view line) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    close(fd);
    return ok;
}

// One process writes in the native build; the in-process mutex suffices.
FileLock::FileLock() : locked_(true) {}
FileLock::~FileLock() = default;

}  // namespace logsys

}  // namespace lumo
