// The trace log: one line per event with time, process id, level and tag,
// appended to a small rotating file shared by all processes of the program
// and echoed to the debugger (OutputDebugString). It records what the error
// guard swallows and the milestones of a page's life. Nothing secret goes in:
// never a bill, password or cookie; addresses only through RedactAddress.
// Logging never throws.
#pragma once

#include <chrono>
#include <cstddef>
#include <source_location>
#include <string>
#include <string_view>

namespace lumo {

enum class LogLevel { Debug, Info, Warn, Error };

// The file lines go to; "" (the default) writes no file. A failed write is
// dropped silently.
void SetLogFile(std::string path);
std::string LogFile();
// When a write would find the file at `maxBytes` or more, lumo.log becomes
// lumo.1.log, lumo.1.log becomes lumo.2.log and so on; `keep` old files stay.
void SetLogRotation(std::size_t maxBytes = 256 * 1024, int keep = 3);

// The per-user log folder with its trailing separator: $LUMO_LOG_DIR when
// set, else %LOCALAPPDATA%\Lumo\Logs\ on Windows; "" in the native build
// without LUMO_LOG_DIR.
std::string DefaultLogFolder();
// Creates the default folder and logs to "lumo.log" in it. False (and no
// file) when there is no folder.
bool StartLogging();

void Log(LogLevel level, std::string_view tag, std::string_view message) noexcept;
inline void LogInfo(std::string_view tag, std::string_view message) noexcept {
    Log(LogLevel::Info, tag, message);
}
inline void LogWarn(std::string_view tag, std::string_view message) noexcept {
    Log(LogLevel::Warn, tag, message);
}
inline void LogError(std::string_view tag, std::string_view message) noexcept {
    Log(LogLevel::Error, tag, message);
}

// "2024-05-01 12:34:56.789 [1234] E guard: text\n"; control characters in
// the tag and message become blanks, so every entry is one line.
std::string FormatLogLine(std::string_view stamp, unsigned long pid, LogLevel level,
                          std::string_view tag, std::string_view message);

// An address fit for the log: without query string and fragment (they carry
// session ids and passwords) and at most `maxLength` bytes, cut ones ending
// in "...".
std::string RedactAddress(std::string_view url, std::size_t maxLength = 120);

// Milliseconds since construction, for "window embedded after 840 ms".
class LogTimer {
  public:
    long long Ms() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start_)
            .count();
    }

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Called by the error guard inside its catch block: logs "caught at
// file:line function: what (code)" for the exception being handled.
void LogCaught(const std::source_location& where) noexcept;

}  // namespace lumo
