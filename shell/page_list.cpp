#include "shell/page_list.h"

#include <charconv>
#include <cmath>

#include "common/ini.h"
#include "common/text.h"

namespace lumo {

void PageList::SetCurrent(int index) {
    current_ = index;
    currentPage_ = Valid(index) ? &At(index) : nullptr;
}

WbForm& PageList::Insert(int index, std::unique_ptr<WbForm> page) {
    if (index < 0)
        index = 0;
    if (index > Count())
        index = Count();
    auto it = pages_.insert(pages_.begin() + index, std::move(page));
    return **it;
}

std::unique_ptr<WbForm> PageList::Remove(int index) {
    if (!Valid(index))
        return nullptr;
    std::unique_ptr<WbForm> page = std::move(pages_[static_cast<size_t>(index)]);
    pages_.erase(pages_.begin() + index);
    if (currentPage_ == page.get())
        currentPage_ = nullptr;
    return page;
}

WbForm* PageList::FindByWindow(uintptr_t window) {
    for (auto& p : pages_)
        if (p->window == window)
            return p.get();
    return nullptr;
}

int PageList::IndexOf(const WbForm* page) const {
    for (int i = 0; i < Count(); ++i)
        if (pages_[static_cast<size_t>(i)].get() == page)
            return i;
    return -1;
}

std::set<std::string> PageList::CookieFolders() const {
    std::set<std::string> folders;
    for (const auto& p : pages_)
        if (!p->cookieFolder.empty())
            folders.insert(AsciiLower(p->cookieFolder));
    return folders;
}

bool BlankPageGuardBlocks(const PageList& pages, std::string_view address) {
    if (pages.Empty() || !pages.current())
        return false;
    std::string a = AsciiLower(Trim(address));
    // A page that was asked to open something is not blank, even while it
    // still reports the blank page it started with.
    const WbForm& current = *pages.current();
    bool requested = !Trim(current.requestedAddress).empty() &&
                     AsciiLower(Trim(current.requestedAddress)) != kBlankAddress;
    return !a.empty() && a != kBlankAddress && current.address == kBlankAddress && !requested;
}

CloseDecision DecideClose(int count, int current, int index) {
    CloseDecision d;
    if (index == kCurrentPageIndex)
        index = current;
    if (count <= 0 || index < 0 || index >= count)
        return d;
    d.index = index;
    if (count == 1 || index == 0) {
        d.kind = CloseDecision::Kind::Blank;
        d.newCurrent = current;
        return d;
    }
    d.kind = CloseDecision::Kind::Remove;
    int remaining = count - 1;
    if (index == current) {
        d.closedCurrent = true;
        d.newCurrent = current - 1;
        if (d.newCurrent >= remaining)
            --d.newCurrent;
    } else {
        d.newCurrent = index < current ? current - 1 : current;
    }
    if (d.newCurrent >= remaining)
        d.newCurrent = remaining - 1;
    if (d.newCurrent < 0)
        d.newCurrent = 0;
    return d;
}

std::string RemoveTnMarker(std::string_view s) {
    size_t at = s.find("tn=");
    if (at == std::string_view::npos)
        return std::string(s);
    std::string out(s.substr(0, at));
    if (at + 7 < s.size())
        out.append(s.substr(at + 7));
    return out;
}

SelectView ComputeSelectView(const WbForm& page, int pageCount) {
    SelectView v;
    std::string title = page.displayTitle;
    std::string address = page.address;
    if (address.empty() || EqualsNoCase(address, kBlankAddress))
        address = page.requestedAddress;
    title = RemoveTnMarker(title);
    address = RemoveTnMarker(address);
    v.caption = kShellCaptionPrefix + title;
    if (address.find("/Data/lastunclose.htm") != std::string::npos) {
        v.status = " Lumo://Data/lastunclose.htm";
        v.addressBox = address;
        return v;
    }
    v.status = " " + title + "<" + address + ">";
    std::string lowered = AsciiLower(Trim(address));
    if (!lowered.empty() && lowered != kBlankAddress) {
        v.addressBox = Trim(address);
        v.focusPage = true;
    } else {
        v.addressBox = kBlankAddress;
        v.status.clear();
        v.focusPage = pageCount == 1;
    }
    return v;
}

int CookieFolderNumber(double seed) {
    return static_cast<int>(std::fabs(std::sin(seed) * 100.0)) + 1;
}

std::string MakeCookieFolder(const std::string& programFolder,
                             const std::function<double()>& nextSeed,
                             const std::function<bool(const std::string&)>& isPlainFile,
                             const std::set<std::string>& openFolders) {
    auto candidate = [&](int n) { return programFolder + "cookies\\Temp" + std::to_string(n); };
    auto usable = [&](const std::string& path) {
        return !isPlainFile(path) && openFolders.count(AsciiLower(path)) == 0;
    };
    for (int attempt = 0; attempt < 200; ++attempt) {
        std::string path = candidate(CookieFolderNumber(nextSeed()));
        if (usable(path))
            return path;
    }
    for (int n = 1;; ++n) {
        std::string path = candidate(n);
        if (usable(path))
            return path;
    }
}

std::string PickFirstPageFrom(const IniDoc& list, double seed) {
    std::string count = Trim(list.Get("ADList", "Count"));
    if (count.empty())
        return {};
    int n = 0;  // a count that is not a whole number counts as 0
    auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), n);
    if (ec != std::errc() || end != count.data() + count.size())
        n = 0;
    std::string result;
    if (n > 1) {
        // Every address of the list gets its turn: 1..n, not 0..n-1 with the
        // 0 folded onto the first (which would never pick the last one).
        int k = static_cast<int>(std::fabs(std::sin(seed) * n)) + 1;
        if (k > n)
            k = n;
        result = list.Get("ADList", "L" + std::to_string(k));
    } else if (n == 1) {
        result = list.Get("ADList", "L1");
    }
    if (Trim(result).empty())
        result = kBlankAddress;
    return result;
}

}  // namespace lumo
