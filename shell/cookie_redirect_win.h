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

class CookieFolderRedirect {
  public:
    // Opens (creating if missing) the key; false when it cannot be opened.
    bool Open();
    // Remembers the current "Cookies" value, writes `folder` and tells
    // WinInet to reload its settings.
    void Redirect(const std::string& folder);
    // Puts the old value back (once; the destructor does it otherwise).
    void Restore();
    ~CookieFolderRedirect() { Restore(); }

  private:
    UniqueHkey key_;
    bool redirected_ = false;
    bool hadValue_ = false;
    DWORD oldType_ = REG_EXPAND_SZ;
    std::wstring oldValue_;
};

// The "Cookies" value as text ("" when missing), for checks.
std::string CurrentCookieFolderValue();

}  // namespace lumo
