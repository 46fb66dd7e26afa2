#include "tests/support/recording_shell.h"

#include <cstdio>

#include "common/text_win.h"
#include "protocol/messages_win.h"

namespace lumo::test {

bool RecordingShell::Create(const std::string& logFile, bool visible) {
    logFile_ = logFile;
    WindowCreateArgs w;
    w.className = L"TfrmMain";
    w.caption = ToW("Lumo网页游戏多开器");
    w.style = WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0);
    w.x = 10, w.y = 10, w.width = 800, w.height = 600;
    return CreateWindowFrom(w);
}

std::vector<std::string> RecordingShell::With(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& r : received_)
        if (r.text.rfind(prefix, 0) == 0)
            out.push_back(r.text);
    return out;
}

LRESULT RecordingShell::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_COPYDATA)
        return Window::HandleMessage(msg, wp, lp);
    std::string text = ReadCopyData(lp).value_or("<malformed>");
    received_.push_back({reinterpret_cast<HWND>(wp), text});
    if (!logFile_.empty()) {
        if (FILE* f = _wfopen(ToW(logFile_).c_str(), L"ab")) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fputc('\n', f);
            std::fclose(f);
        }
    }
    return TRUE;
}

}  // namespace lumo::test
