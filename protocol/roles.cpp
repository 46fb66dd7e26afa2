#include "protocol/roles.h"

#include <algorithm>
#include <charconv>

#include "common/cmdline.h"
#include "common/text.h"
#include "protocol/proxy.h"

namespace lumo {

ProcessRole ChooseRole(const std::vector<std::string>& args) {
    return args.size() > 3 && !args[3].empty() ? ProcessRole::Page : ProcessRole::Shell;
}

uint64_t ParseWindowHandleArg(std::string_view arg) {
    std::string_view s = TrimView(arg);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        return 0;
    // Window handles are 32-bit values; a larger number names no window (and
    // its low half could name somebody else's).
    return value <= 0xFFFFFFFFu ? value : 0;
}

std::optional<PageCommandLine> BuildPageCommandLine(const PageLaunch& launch,
                                                    const std::string& handoverPath) {
    std::string hwnd = std::to_string(launch.shellWindow);
    // Only a checked proxy rides on the line; anything else is refused, as a
    // page started without it would go out directly.
    std::vector<std::string> tail;
    if (!launch.proxy.empty()) {
        std::optional<std::string> proxy = NormalizeProxy(launch.proxy);
        if (!proxy || proxy->empty())
            return std::nullopt;
        tail.push_back(std::string(kProxySwitch) + *proxy);
    }
    // A bill with a double quote never rides on the command line: other
    // parsers of a command line than ours disagree about quotes inside
    // quotes, and a bill that split there would submit the wrong form.
    bool billHasQuote = launch.bill.find('"') != std::string::npos;
    if (!billHasQuote) {
        std::vector<std::string> args{hwnd, launch.address, launch.cookieFolder, launch.bill};
        args.insert(args.end(), tail.begin(), tail.end());
        if (auto line = BuildCommandLine(launch.exe, args))
            return PageCommandLine{*line, {}, {}};
    }
    std::vector<std::string> args{hwnd, "", launch.cookieFolder, "",
                                  std::string(kHandoverSwitch) + handoverPath};
    args.insert(args.end(), tail.begin(), tail.end());
    auto line = BuildCommandLine(launch.exe, args);
    if (!line)
        return std::nullopt;
    return PageCommandLine{*line, handoverPath, EncodeHandover(launch.address, launch.bill)};
}

PageArgs ParsePageArgs(const std::vector<std::string>& args) {
    PageArgs page;
    auto arg = [&](size_t i) { return i < args.size() ? args[i] : std::string(); };
    page.hasShellArg = !arg(1).empty();
    page.shellWindow = ParseWindowHandleArg(arg(1));
    page.address = arg(2);
    page.cookieFolder = arg(3) == kNoCookieFolder ? std::string() : arg(3);
    page.bill = arg(4);
    for (size_t i = 5; i < args.size(); ++i) {
        const std::string& extra = args[i];
        if (StartsWithNoCase(extra, kHandoverSwitch) && page.handoverPath.empty()) {
            page.handoverPath = extra.substr(kHandoverSwitch.size());
        } else if (StartsWithNoCase(extra, kProxySwitch)) {
            std::optional<std::string> proxy = NormalizeProxy(extra.substr(kProxySwitch.size()));
            page.badProxy |= !proxy || proxy->empty() || !page.proxy.empty();
            if (proxy)
                page.proxy = *proxy;
        }
    }
    if (page.badProxy)
        page.proxy.clear();
    return page;
}

std::string HandoverFolder(const std::string& programFolder) {
    return programFolder + "handover\\";
}

std::string HandoverPath(const std::string& programFolder, uint64_t number) {
    return HandoverFolder(programFolder) + "page-" + std::to_string(number) + ".handover";
}

bool IsOwnHandoverPath(const std::string& programFolder, std::string_view path) {
    const std::string folder = HandoverFolder(programFolder);
    if (programFolder.empty() || path.size() <= folder.size() ||
        !EqualsNoCase(path.substr(0, folder.size()), folder))
        return false;
    std::string_view name = path.substr(folder.size());
    constexpr std::string_view kPrefix = "page-", kSuffix = ".handover";
    if (name.size() <= kPrefix.size() + kSuffix.size() || !StartsWithNoCase(name, kPrefix) ||
        !EqualsNoCase(name.substr(name.size() - kSuffix.size()), kSuffix))
        return false;
    std::string_view digits =
        name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    return digits.size() <= 20 &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string EncodeHandover(std::string_view address, std::string_view bill) {
    std::string out;
    for (std::string_view part : {address, bill}) {
        out += std::to_string(part.size());
        out += ':';
        out += part;
    }
    return out;
}

bool DecodeHandover(std::string_view body, std::string& address, std::string& bill) {
    std::string* parts[] = {&address, &bill};
    for (std::string* part : parts) {
        size_t colon = body.find(':');
        if (colon == std::string_view::npos)
            return false;
        size_t len = 0;
        auto [end, ec] = std::from_chars(body.data(), body.data() + colon, len);
        if (ec != std::errc() || end != body.data() + colon || len > body.size() - colon - 1)
            return false;
        *part = std::string(body.substr(colon + 1, len));
        body.remove_prefix(colon + 1 + len);
    }
    return body.empty();
}

}  // namespace lumo
