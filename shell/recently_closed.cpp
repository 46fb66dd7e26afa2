#include "shell/recently_closed.h"

#include "common/text.h"

namespace lumo {

void RecentlyClosed::Push(const std::string& address) {
    std::string a = Trim(address);
    if (a.empty() || a == "about:blank")
        return;
    list_.push_back(a);
    while (list_.size() > kMaxRecentlyClosed) list_.pop_front();
}

std::optional<std::string> RecentlyClosed::Pop() {
    if (list_.empty())
        return std::nullopt;
    std::string a = list_.back();
    list_.pop_back();
    return a;
}

}  // namespace lumo
