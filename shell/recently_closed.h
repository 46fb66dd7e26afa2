// The addresses of recently closed tabs, newest last, kept in memory for
// Ctrl+Shift+T. Blank pages are not worth reopening and are not kept; the
// list holds at most kMaxRecentlyClosed entries (the oldest go first).
#pragma once

#include <deque>
#include <optional>
#include <string>

namespace lumo {

inline constexpr size_t kMaxRecentlyClosed = 25;

class RecentlyClosed {
  public:
    void Push(const std::string& address);
    // The newest entry, removed from the list; nullopt when empty.
    std::optional<std::string> Pop();
    size_t size() const { return list_.size(); }

  private:
    std::deque<std::string> list_;
};

}  // namespace lumo
