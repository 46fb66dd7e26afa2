// The session on disk: which tabs are open, recorded in UserData\Session.dat
// after every change (coalesced) and at exit, so a crash loses nothing; at
// the next start the shell offers them again (a question with 恢复 and
// 不用了; Config.ini [Session] AutoRestore=1 restores without asking), and
// every saved game logs itself in again in a process of its own.
//
// Recorded: every tab in order that shows a saved game (category and name)
// or an address other than the blank page; the first tab only when it shows
// a saved game, as every start makes it again with the start page.
// Written through WriteFileAtomic; a damaged file is renamed to
// "Session.dat.bad" (LoadSessionFile) and the start goes on without it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/window_win.h"
#include "library/game_list.h"
#include "shell/page_batch_win.h"
#include "shell/page_list.h"
#include "shell/session_file.h"

namespace lumo {

inline constexpr UINT kSessionWriteDelayMs = 300;
inline constexpr char kRestoreQuestion[] = "上次关闭时打开着 %d 个页面，是否恢复？";
inline constexpr char kRestoreButton[] = "恢复";
inline constexpr char kNoRestoreButton[] = "不用了";

// The tabs the session file records for `pages`.
std::vector<SessionTab> SessionTabsOf(const PageList& pages);
// The pages that bring `tabs` back: a saved game still in the library opens
// with its saved login and label; any other tab opens its address.
std::vector<BatchPage> RestorePages(const std::vector<SessionTab>& tabs, GameLibrary& library);

class SessionKeeper : public Window {
  public:
    // `folder`: the UserData folder (with trailing separator).
    void Init(const std::string& folder, const PageList& pages);
    // The last run's tabs (empty when there are none, or the file was
    // damaged and has been set aside).
    std::vector<SessionTab> LoadLast();
    // Once the current message is done: asks (unless `automatic`) whether to
    // bring `tabs` back, calls `restore` on yes, then starts recording.
    // Until then the last run's file stays as it is.
    void OfferRestore(std::vector<SessionTab> tabs, bool automatic,
                      std::function<void(const std::vector<SessionTab>&)> restore);
    // Records from now on.
    void Start();
    // A change to record, written kSessionWriteDelayMs after the last one.
    void Changed();
    // Writes what is open now, and nothing after (the shell closes: its tabs
    // going away is no change to record).
    void Stop();
    const std::string& path() const { return path_; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Write();
    void Ask();

    std::string path_;
    const PageList* pages_ = nullptr;
    bool recording_ = false;
    std::string written_;
    bool writtenKnown_ = false;
    std::vector<SessionTab> offered_;
    bool automatic_ = false;
    std::function<void(const std::vector<SessionTab>&)> restore_;
};

}  // namespace lumo
