// The system-dependent pieces of the trace log (log_win.cpp, log_posix.cpp).
#pragma once

#include <string>
#include <string_view>

namespace lumo::logsys {

std::string Stamp();  // local time, "2024-05-01 12:34:56.789"
unsigned long ProcessId();
void ToDebugger(const std::string& line);
// Appends `line` with one write; false when the file cannot be written.
bool Append(const std::string& path, std::string_view line);

// Held while a process checks, rotates and appends to the log file, so that
// two processes never rotate the same file twice. Locked() is false when the
// lock was not had in time; the caller then appends without rotating.
class FileLock {
  public:
    FileLock();
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Locked() const { return locked_; }

  private:
    bool locked_ = false;
};

}  // namespace lumo::logsys
