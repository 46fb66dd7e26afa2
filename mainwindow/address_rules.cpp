#include "mainwindow/address_rules.h"

#include <algorithm>
#include <array>

#include "common/text.h"

namespace lumo {

namespace {

constexpr std::array<std::string_view, 6> kGoSchemes = {"http://", "https://", "rtsp://",
                                                        "mms://",  "file://",  "ftp://"};
constexpr std::array<std::string_view, 6> kKnownSchemes = {
    "http:", "https:", "rtsp:", "mms:", "file:", "ftp:"};

bool StartsWithAnyNoCase(std::string_view s, const std::array<std::string_view, 6>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](std::string_view p) { return StartsWithNoCase(s, p); });
}

// The byte offset `count` characters (code points) after `pos`, or the end.
size_t AdvanceChars(std::string_view s, size_t pos, int count) {
    for (; count > 0 && pos < s.size(); --count) {
        ++pos;
        while (pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) ++pos;
    }
    return pos;
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "C:", "C:\..." or "d:/...": a drive letter, then the first ':' of the text.
bool IsDrivePath(std::string_view s) {
    return s.size() >= 2 && IsAsciiLetter(s[0]) && s[1] == ':';
}

// A local path as a file address. Only the first '\' and the first '/' are
// looked at: a path whose first separator ends it is taken as it is,
// anything else gets a closing '/'.
std::string LocalPathAddress(std::string_view s) {
    size_t last = s.size() - 1;
    bool endsAtFirstSeparator = s.find('\\') == last || s.find('/') == last;
    std::string a = "file://";
    a += s;
    if (!endsAtFirstSeparator)
        a += '/';
    return a;
}

}  // namespace

std::string SearchEndpoint::KeywordTemplate() const {
    return origin + "/baidu?word=" + std::string(kKeywordPlaceholder);
}

std::string SearchEndpoint::SearchBaseAddress() const {
    return origin + "/baidu?";
}

bool HasNoKnownScheme(std::string_view text) {
    return !StartsWithAnyNoCase(text, kKnownSchemes);
}

std::string DisplayAddress(std::string_view address) {
    size_t p = address.find("tn=");
    if (p == std::string_view::npos)
        return std::string(address);
    size_t rest = AdvanceChars(address, p + 3, 4);
    std::string shown(address.substr(0, p));
    shown += address.substr(rest);
    return shown;
}

std::string FillKeywordTemplate(std::string_view tmpl, std::string_view keyword) {
    // Scans the template only, so a keyword that itself reads "keyword_" is
    // inserted once and never replaced again.
    std::string out;
    const size_t n = kKeywordPlaceholder.size();
    size_t i = 0;
    while (i < tmpl.size()) {
        if (tmpl.size() - i >= n && EqualsNoCase(tmpl.substr(i, n), kKeywordPlaceholder)) {
            out += keyword;
            i += n;
        } else {
            out += tmpl[i++];
        }
    }
    return out;
}

EnterModifiers ModifiersOf(bool ctrl, bool alt, bool shift) {
    int held = int(ctrl) + int(alt) + int(shift);
    if (held == 0)
        return EnterModifiers::None;
    if (held > 1)
        return EnterModifiers::Other;
    return ctrl ? EnterModifiers::Ctrl : alt ? EnterModifiers::Alt : EnterModifiers::Shift;
}

std::string CompleteOnEnter(std::string_view boxText, EnterModifiers mods) {
    std::string_view suffix;
    switch (mods) {
        case EnterModifiers::Ctrl:
            suffix = ".com/";
            break;
        case EnterModifiers::Alt:
            suffix = ".net/";
            break;
        case EnterModifiers::Shift:
            suffix = ".com.cn/";
            break;
        default:
            return std::string(boxText);
    }
    std::string s = Trim(boxText);
    // An empty box stays empty rather than becoming "http://www..com/".
    if (s.empty())
        return s;
    if (mods != EnterModifiers::Ctrl && !HasNoKnownScheme(s))
        return s;
    return "http://www." + s + std::string(suffix);
}

GoDecision DecideGo(std::string_view boxText, bool pageListEmpty, const SearchEndpoint& engine) {
    using Kind = GoDecision::Kind;
    GoDecision d;
    const std::string s = Trim(boxText);
    if (s.empty() || StartsWithNoCase(s, "top://"))
        return d;
    if (s == "about:" || s == kBlankAddress) {
        if (pageListEmpty)
            d.kind = Kind::OpenBlankTab;
        return d;
    }
    d.clearStatus = true;
    if (StartsWithNoCase(s, "javascript:"))
        return d;

    d.openInNewPage = pageListEmpty;
    if (StartsWithAnyNoCase(s, kGoSchemes)) {
        d.address = s;
    } else if (IsDrivePath(s)) {
        d.address = LocalPathAddress(s);
    } else if (s.find('.') != std::string::npos || EqualsNoCase(s, "localhost")) {
        d.address = "http://" + s;
    } else {
        d.kind = Kind::Keyword;
        d.address = FillKeywordTemplate(engine.KeywordTemplate(), s);
        d.boxText = DisplayAddress(d.address);
        d.focusPageArea = true;
        return d;
    }
    d.kind = Kind::Navigate;
    d.boxText = d.address;
    d.statusText = " 正在打开:<" + d.address + ">";
    d.addToHistory = true;
    return d;
}

SearchDecision DecideSearch(std::string_view searchText, std::string_view activeAddress,
                            const SearchEndpoint& engine) {
    SearchDecision d;
    const std::string q = Trim(searchText);
    if (q.empty() || AsciiLower(q) == kBlankAddress)
        return d;
    d.stop = false;
    d.newTab = activeAddress != kBlankAddress;
    if (q == kSearchShortcutWord) {
        d.url = engine.SearchBaseAddress();
        d.boxText = d.url;
    } else {
        d.url = FillKeywordTemplate(engine.KeywordTemplate(), q);
        d.boxText = DisplayAddress(d.url);
    }
    return d;
}

bool AddTypedAddress(std::vector<std::string>& history, std::string_view address) {
    if (TrimView(address).empty())
        return false;
    if (std::find(history.begin(), history.end(), address) != history.end())
        return false;
    history.emplace_back(address);
    return true;
}

}  // namespace lumo
