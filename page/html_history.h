// The back/forward list of the headless engine. An entry is the address a
// load ended at (after redirects). A submitted POST form is kept by its
// resulting address only: going back or forward to it, or refreshing it,
// loads that address again with GET, so no form is ever sent twice.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumo::html {

class NavigationHistory {
  public:
    // A new page was loaded: entries after the current one are dropped.
    void Push(std::string url);
    // A load of entry `index` (back, forward, refresh) ended at `url`.
    void Commit(int index, std::string url);

    int Current() const { return current_; }
    int Size() const { return static_cast<int>(entries_.size()); }
    const std::string& At(int index) const { return entries_.at(index); }
    // The entry `steps` away from `from` (negative: back); nullopt when there is none.
    std::optional<int> Step(int from, int steps) const;

  private:
    std::vector<std::string> entries_;
    int current_ = -1;
};

}  // namespace lumo::html
