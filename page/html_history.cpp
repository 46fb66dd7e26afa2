#include "page/html_history.h"

namespace lumo::html {

void NavigationHistory::Push(std::string url) {
    entries_.resize(static_cast<size_t>(current_ + 1));
    entries_.push_back(std::move(url));
    current_ = Size() - 1;
}

void NavigationHistory::Commit(int index, std::string url) {
    if (index < 0 || index >= Size())
        return Push(std::move(url));
    entries_[index] = std::move(url);
    current_ = index;
}

std::optional<int> NavigationHistory::Step(int from, int steps) const {
    const int to = from + steps;
    if (from < 0 || to < 0 || to >= Size())
        return std::nullopt;
    return to;
}

}  // namespace lumo::html
