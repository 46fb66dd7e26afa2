// TfrmUpdate: LumoUpdate's one window. Downloads the new shell executable,
// checks it, ends the running shell processes, puts the new file in place
// and says how it went; lives on in the notification area when minimised.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/tray_icon_win.h"
#include "common/window_win.h"
#include "updater/update_rules.h"

namespace lumo {

class HttpDownload;

inline constexpr wchar_t kUpdateWindowClass[] = L"TfrmUpdate";

class UpdaterWindow : public Window {
  public:
    UpdaterWindow();
    ~UpdaterWindow() override;

    // `argv` without the program itself; `updaterFile` is our own path.
    bool Create(const std::vector<std::string>& argv, const std::string& updaterFile, HICON icon);

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void CreateControls();
    // Lays the controls out for `dpi` with a new font; moves the window to
    // `windowRect` when given (WM_DPICHANGED's suggestion).
    void ApplyDpi(int dpi, const RECT* windowRect);
    void SetText(HWND control, const std::string& text);
    std::string Text(HWND control) const;

    void StartDownload();
    void HTTPGetProgress(std::int64_t totalSize, std::int64_t readed);
    void HTTPGetDoneFile(const std::string& fileName);
    void HTTPGetError();
    void EndShellProcesses();
    bool ReplaceShell(const std::string& fileName);
    void RemoveTempFiles();
    // Runs pending messages, for `ms` at least.
    void Pump(DWORD ms = 0);
    void sbtnCloseClick();

    void ShowFromTray(bool show);

    UpdaterArgs args_;
    std::string updaterFolder_;
    std::string tempFolder_;
    std::string downloadAddress_;
    HICON icon_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    struct Place {
        HWND control;
        RECT design;  // at 96 DPI
    };
    std::vector<Place> places_;
    std::unique_ptr<HttpDownload> http_;
    bool downloadStarted_ = false;
    bool busy_ = false;
    bool closeWhenIdle_ = false;
    bool UpdateCancelled = false;
    std::unique_ptr<TrayIcon> tray_;

    HWND slblinfo_ = nullptr, slblFile_ = nullptr, seStatus_ = nullptr, slblPercent_ = nullptr,
         spbStatus_ = nullptr, sbtnClose_ = nullptr, retryUpdate_ = nullptr;
};

}  // namespace lumo
