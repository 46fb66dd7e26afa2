// Points the per-user cookie folder at a page's own folder for the time of
// one page start. WinInet reads the value when it loads in the new process;
// the destructor puts the old value back (or removes it when there was
// none), whatever happened in between.
#pragma once

#include <string>

#include "common/handle_win.h"

namespace lumo {

inline constexpr wchar_t kShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The key's path; the environment variable LUMO_COOKIE_KEY replaces it
// (tests use it to make the key fail to open).
std::wstring CookieFolderKeyPath();

class CookieFolderRedirect {
  public:
    // Opens (creating if missing) the key; false when it cannot be opened.
    bool Open();
    // Remembers the current "Cookies" value, writes it to the journal file
    // `journalPath` (when given), writes `folder` and tells WinInet to reload
    // its settings. False (and nothing redirected) when the journal cannot be
    // written.
    bool Redirect(const std::string& folder, const std::string& journalPath = {});
    // Puts the old value back and removes the journal (once; the destructor
    // does it otherwise).
    void Restore();
    ~CookieFolderRedirect() { Restore(); }

  private:
    UniqueHkey key_;
    bool redirected_ = false;
    bool hadValue_ = false;
    DWORD oldType_ = REG_EXPAND_SZ;
    std::wstring oldValue_;
    std::string journalPath_;
};

// At start: when a journal is left from a shell that died during a page
// start, puts the value it holds back and removes the journal. True when it
// restored something.
bool RestoreCookieValueFromJournal(const std::string& journalPath);

// The "Cookies" value as text ("" when missing), for checks.
std::string CurrentCookieFolderValue();

}  // namespace lumo
