// TfrmUpdate: the shell's update prompt. A small dialog-style window asking
// whether to start the updater, or showing the maker's announcement page
// over the question when there is one.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "common/handle_win.h"
#include "common/window_win.h"

namespace lumo {

class UpdatePrompt : public Window {
  public:
    // Creates a browser in `parent` at `bounds` (client coordinates) and
    // navigates it to the address; the returned object keeps it alive, null
    // when no browser could be made (the question shows then).
    using ShowPage = std::function<std::shared_ptr<void>(HWND parent, const RECT& bounds,
                                                         const std::string& address)>;

    struct CreateArgs {
        std::string announcementPage;  // shown when not blank
        ShowPage showPage;
    };

    enum class Result { Ok = 1, Cancel = 2 };

    UpdatePrompt();
    ~UpdatePrompt() override;

    // Shows the prompt modally over `owner` (disabled meanwhile) and returns
    // the answer; closing by the title bar or Esc answers Cancel. A WM_QUIT
    // that arrives meanwhile ends the prompt (Cancel) and stays queued.
    Result ShowModal(HWND owner, const CreateArgs& args);

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    bool Create(HWND owner, const CreateArgs& args);
    void Finish(Result r);

    class Panel;  // Panel1: the button bar
    std::unique_ptr<Panel> panel_;
    UniqueFont font_;
    UniqueBrush white_;
    std::shared_ptr<void> page_;
    Result result_ = Result::Cancel;
    bool done_ = false;
};

}  // namespace lumo
