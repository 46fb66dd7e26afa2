// The shell's page list: one record per tab, in tab order, with the rules
// that pick, switch and close pages. Window handles are kept as numbers so
// the rules stay free of Windows; the Win32 side acts on what they decide.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

class IniDoc;

// The saved game a tab was opened from: the tab is labelled with its name
// (the page title goes to the tooltip and status bar instead) and carries
// its colour ("RRGGBB", "" for none). Empty for any other tab.
struct GameTag {
    std::string category;
    std::string name;
    std::string colour;
    bool empty() const { return name.empty(); }
};

// One open page.
struct WbForm {
    bool closing = false;
    uintptr_t window = 0;          // the page process's page window; 0 when not found
    uint32_t processId = 0;        // the page process
    uint32_t pageId = 0;           // the shell's number for the page's process life
    std::string address;           // last reported ("URL:"), first the requested one
    std::string requestedAddress;  // what the shell last asked the page to open
    std::string displayTitle;
    std::string tabTitle;
    bool tabIconReset = false;
    bool closeMark = false;
    bool tabIconState[2] = {false, false};
    std::string cookieFolder;
    GameTag game;
};

inline constexpr int kCurrentPageIndex = 999;  // "the current page" in close/select
inline constexpr char kBlankAddress[] = "about:blank";
inline constexpr char kShellCaptionPrefix[] = "Lumo网页游戏多开器  -  ";

class PageList {
  public:
    int Count() const { return static_cast<int>(pages_.size()); }
    bool Empty() const { return pages_.empty(); }
    bool Valid(int index) const { return index >= 0 && index < Count(); }
    WbForm& At(int index) { return *pages_.at(static_cast<size_t>(index)); }
    const WbForm& At(int index) const { return *pages_.at(static_cast<size_t>(index)); }

    int currentIndex() const { return current_; }
    WbForm* current() const { return currentPage_; }
    void SetCurrent(int index);  // index and record together
    // Makes page `index` the current record without changing the index (the
    // blanking of page 0 while another page is current does this).
    void SetCurrentRecordOnly(int index) { currentPage_ = Valid(index) ? &At(index) : nullptr; }

    // Inserts at `index` (clamped into the list) and returns the record.
    WbForm& Insert(int index, std::unique_ptr<WbForm> page);
    std::unique_ptr<WbForm> Remove(int index);
    WbForm* FindByWindow(uintptr_t window);
    int IndexOf(const WbForm* page) const;

    // The cookie folders of the open pages.
    std::set<std::string> CookieFolders() const;

  private:
    std::vector<std::unique_ptr<WbForm>> pages_;
    int current_ = 0;
    WbForm* currentPage_ = nullptr;
};

// A new page for a real address is not created while the current page is
// blank (and was not asked to open anything else): the caller navigates the
// blank page instead.
bool BlankPageGuardBlocks(const PageList& pages, std::string_view address);

// Closing a page: page 0 and the only page are blanked, never removed.
struct CloseDecision {
    enum class Kind { Ignore, Blank, Remove } kind = Kind::Ignore;
    int index = -1;      // the page acted on
    int newCurrent = 0;  // the current index afterwards (Remove)
    bool closedCurrent = false;
};
CloseDecision DecideClose(int count, int current, int index);

// What the main window shows when a page becomes current after a close.
struct SelectView {
    std::string caption;
    std::string addressBox;
    std::string status;
    bool focusPage = true;  // else the address box, text selected
};
SelectView ComputeSelectView(const WbForm& page, int pageCount);

// Removes the first "tn=" and the four characters after it.
std::string RemoveTnMarker(std::string_view s);

// The cookie folder number for a seed (seconds since midnight plus a random
// number up to 9999): 1 to 100.
int CookieFolderNumber(double seed);

// The cookie folder of a new page: programFolder + "cookies\Temp" + N.
// Numbers come from `nextSeed`; a number is passed over when a plain file of
// that path exists or an open page uses the folder. When the draws keep
// hitting used folders, the first free number counting up from 1 is taken.
std::string MakeCookieFolder(const std::string& programFolder,
                             const std::function<double()>& nextSeed,
                             const std::function<bool(const std::string&)>& isPlainFile,
                             const std::set<std::string>& openFolders);

// The first page's address from the start-page list (section ADList, Count,
// L1..Ln). "" when Count is missing; "about:blank" when no address results.
std::string PickFirstPageFrom(const IniDoc& list, double seed);

}  // namespace lumo
