// A stand-in for the shell's main window: a "TfrmMain" window that records
// every text command it receives (and, when given a file, appends it there
// as one UTF-8 line, so another process can read it).
#pragma once

#include <string>
#include <vector>

#include "common/window_win.h"

namespace lumo::test {

struct ReceivedCommand {
    HWND sender;
    std::string text;
};

class RecordingShell : public Window {
  public:
    bool Create(const std::string& logFile = {}, bool visible = false);
    const std::vector<ReceivedCommand>& received() const { return received_; }
    void Clear() { received_.clear(); }
    // The texts received so far that start with `prefix` (exact case).
    std::vector<std::string> With(const std::string& prefix) const;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    std::string logFile_;
    std::vector<ReceivedCommand> received_;
};

}  // namespace lumo::test
