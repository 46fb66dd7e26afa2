// What the address box and the search box do with typed text, without a
// window: the Win32 side asks these rules and acts on the answer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumo {

inline constexpr std::string_view kBlankAddress = "about:blank";
inline constexpr std::string_view kKeywordPlaceholder = "KEYWORD_";
inline constexpr std::string_view kSearchShortcutWord = "百度搜索";
inline constexpr std::string_view kZoomIndicatorText = "100%";
inline constexpr std::string_view kDefaultSearchOrigin = "https://www.baidu.com";

// The search engine the keyword search and the search box use. Tests point
// it at a loopback server instead of the real engine.
struct SearchEndpoint {
    std::string origin{kDefaultSearchOrigin};  // scheme and host, no trailing '/'

    // "<origin>/baidu?word=KEYWORD_"
    std::string KeywordTemplate() const;
    // "<origin>/baidu?"
    std::string SearchBaseAddress() const;
};

// True unless the text starts (case-insensitively) with "http:", "https:",
// "rtsp:", "mms:", "file:" or "ftp:".
bool HasNoKnownScheme(std::string_view text);

// The form of an address shown in the address box: the first "tn=" and the
// four characters after it are left out.
std::string DisplayAddress(std::string_view address);

// `tmpl` with every "KEYWORD_" (any case) replaced by `keyword`, unencoded.
std::string FillKeywordTemplate(std::string_view tmpl, std::string_view keyword);

// The modifier set held with Enter in the address box. Only an exact Ctrl,
// Alt or Shift completes the text; any other set counts as `Other`.
enum class EnterModifiers { None, Ctrl, Alt, Shift, Other };
EnterModifiers ModifiersOf(bool ctrl, bool alt, bool shift);

// The address box's text after Enter with `mods`, before the Go action runs.
std::string CompleteOnEnter(std::string_view boxText, EnterModifiers mods);

// The Go action's decision for the address box's text.
struct GoDecision {
    enum class Kind {
        Stop,          // nothing to open
        OpenBlankTab,  // "about:" / "about:blank" with no page: the new-tab command
        Navigate,      // a normalised address for the active page
        Keyword,       // a keyword search in the active page
    };
    Kind kind = Kind::Stop;
    bool clearStatus = false;    // the status panel is cleared (before any stop)
    bool openInNewPage = false;  // Navigate/Keyword with no page: open a new page
    std::string address;         // Navigate: the address; Keyword: the search address
    std::string boxText;         // the address box's new text
    std::string statusText;      // Navigate: " 正在打开:<address>"
    bool addToHistory = false;   // Navigate: offer `address` to the typed history
    bool focusPageArea = false;  // Keyword: move the focus to the page area
};
// Every Go action, whatever the decision, resets the zoom indicator.
GoDecision DecideGo(std::string_view boxText, bool pageListEmpty,
                    const SearchEndpoint& engine = {});

// The search action's decision for the search box's text.
struct SearchDecision {
    bool stop = true;     // nothing to do; the zoom indicator stays untouched
    bool newTab = false;  // open a blank tab after the active one first
    std::string url;      // sent with "NT:" to the (new) active page
    std::string boxText;  // the address box's new text
};
// `activeAddress` is the active page's address, empty when there is none.
SearchDecision DecideSearch(std::string_view searchText, std::string_view activeAddress,
                            const SearchEndpoint& engine = {});

// The typed-address history: appends `address` unless it is blank or
// already present (exact comparison). Returns whether it was appended.
bool AddTypedAddress(std::vector<std::string>& history, std::string_view address);

}  // namespace lumo
