#include "updater/update_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "common/dpi_win.h"
#include "common/file.h"
#include "common/guard.h"
#include "common/log.h"
#include "common/maker.h"
#include "common/path.h"
#include "common/process.h"
#include "common/text_win.h"
#include "updater/http_get.h"
#include "updater/http_get_win.h"
#include "updater/process_kill_win.h"
#include "updater/replace_exe_win.h"
#include "updater/update_checks_win.h"

namespace lumo {

namespace {

constexpr UINT kTrayMessage = WM_USER + 200;  // UpdateWindowMessage
constexpr UINT kStartMessage = WM_APP + 1;
constexpr int kCloseId = 1, kRetryId = 2;
constexpr DWORD kCopyPauseMs = 300;

constexpr char kCaption[] = "Lumo网页游戏多开器";
constexpr char kFileLabel[] = "正在下载文件:";
constexpr int kClientWidth = 400, kClientHeight = 210;  // design size (96 DPI)

// The system's message font, made for `dpi` (the system gives it for the
// screen's DPI).
HFONT MessageFont(int dpi) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    ncm.lfMessageFont.lfHeight = MulDiv(ncm.lfMessageFont.lfHeight, dpi, SystemDpi());
    ncm.lfMessageFont.lfWidth = 0;
    return CreateFontIndirectW(&ncm.lfMessageFont);
}

}  // namespace

UpdaterWindow::UpdaterWindow() = default;

UpdaterWindow::~UpdaterWindow() {
    if (font_)
        DeleteObject(font_);
}

bool UpdaterWindow::Create(const std::vector<std::string>& argv, const std::string& updaterFile,
                           HICON icon) {
    icon_ = icon;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    dpi_ = SystemDpi();
    RECT r{0, 0, Scale(kClientWidth, dpi_), Scale(kClientHeight, dpi_)};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    WindowCreateArgs a;
    a.className = kUpdateWindowClass;
    a.caption = ToW(kCaption);
    a.style = style;
    a.width = r.right - r.left;
    a.height = r.bottom - r.top;
    a.x = (GetSystemMetrics(SM_CXSCREEN) - a.width) / 2;
    a.y = (GetSystemMetrics(SM_CYSCREEN) - a.height) / 2;
    a.icon = icon;
    a.background = GetSysColorBrush(COLOR_BTNFACE);
    if (!CreateWindowFrom(a))
        return false;

    // FormCreate.
    CreateControls();
    if (int dpi = DpiOf(hwnd()); dpi != dpi_) {
        // On another monitor than the primary one: its DPI counts.
        RECT wr{};
        GetWindowRect(hwnd(), &wr);
        RECT want{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
        AdjustWindowRectEx(&want, style, FALSE, 0);
        RECT next{wr.left, wr.top, wr.left + want.right - want.left,
                  wr.top + want.bottom - want.top};
        ApplyDpi(dpi, &next);
    }
    Guarded([&] {
        tray_ =
            std::make_unique<TrayIcon>(hwnd(), kTrayMessage, icon, "Lumo网页游戏多开器.正在升级.");
    });
    Guarded([&] {
        updaterFolder_ = WithTrailingSeparator(FolderOf(updaterFile));
        tempFolder_ = TempFolderOf(updaterFolder_);
        args_ = ReadUpdaterArgs(argv);
        downloadAddress_ = MakerUrl(ProgramFolderOfUpdater(updaterFolder_), kUpdatePath);
        CleanReplacementLeftovers(args_.shellExe);
        if (!FolderExists(tempFolder_) && !CreateDirectoryW(ToW(tempFolder_).c_str(), nullptr))
            LogWarn("updater", "cannot create the temporary folder");
    });
    return true;
}

void UpdaterWindow::CreateControls() {
    font_ = MessageFont(dpi_);
    HINSTANCE inst = GetModuleHandleW(nullptr);
    // Places are design sizes, kept for a later DPI change.
    auto make = [&](const wchar_t* cls, const char* text, DWORD style, int x, int y, int w, int h,
                    const wchar_t* name, int id = 0) {
        HWND c = CreateWindowExW(0, cls, ToW(text).c_str(), WS_CHILD | style, Scale(x, dpi_),
                                 Scale(y, dpi_), Scale(w, dpi_), Scale(h, dpi_), hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        SetControlName(c, name);
        places_.push_back({c, {x, y, x + w, y + h}});
        return c;
    };
    // Three bands: sPanel1 (0..97), sPanel3 (97..168), sPanel2 (168..210).
    slblinfo_ =
        make(L"STATIC", "正在下载相关文件..", WS_VISIBLE | SS_LEFT, 16, 8, 369, 81, L"slblinfo");
    // The file label is drawn wider than its classic 49 pixels: the
    // system's font needs about 76 for its text.
    slblFile_ = make(L"STATIC", kFileLabel, WS_VISIBLE | SS_LEFTNOWORDWRAP, 6, 97 + 17, 76, 17,
                     L"slblFile");
    seStatus_ = make(L"EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, 82, 97 + 16, 239, 19,
                     L"seStatus");
    slblPercent_ =
        make(L"STATIC", "0%", WS_VISIBLE | SS_RIGHT, 321, 97 + 16, 64, 17, L"slblPercent");
    spbStatus_ = make(PROGRESS_CLASSW, "", WS_VISIBLE, 24, 97 + 38, 345, 17, L"spbStatus");
    sbtnClose_ = make(L"BUTTON", "关闭(&C)", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 312, 168 + 8,
                      75, 25, L"sbtnClose", kCloseId);
    retryUpdate_ =
        make(L"BUTTON", "重试(&R)", BS_PUSHBUTTON, 208, 168 + 8, 75, 25, L"retryUpdate", kRetryId);
}

void UpdaterWindow::ApplyDpi(int dpi, const RECT* windowRect) {
    dpi_ = dpi;
    HFONT old = font_;
    font_ = MessageFont(dpi_);
    if (windowRect)
        SetWindowPos(hwnd(), nullptr, windowRect->left, windowRect->top,
                     windowRect->right - windowRect->left, windowRect->bottom - windowRect->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    for (const Place& p : places_) {
        RECT r = Scale(p.design, dpi_);
        MoveWindow(p.control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        SendMessageW(p.control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    }
    if (old)
        DeleteObject(old);
}

void UpdaterWindow::SetText(HWND control, const std::string& text) {
    SetWindowTextW(control, ToW(text).c_str());
}

std::string UpdaterWindow::Text(HWND control) const {
    wchar_t buf[512];
    const int n = GetWindowTextW(control, buf, 512);
    return FromW(std::wstring_view(buf, n > 0 ? n : 0));
}

void UpdaterWindow::StartDownload() {
    // Showing the window again (from the tray) never starts a second one.
    if (downloadStarted_)
        return;
    downloadStarted_ = true;
    http_ = std::make_unique<HttpDownload>();
    http_->BinaryData = true;
    http_->UseCache = false;
    http_->FileName = tempFolder_ + "tmp";
    http_->URL = downloadAddress_;
    http_->OnProgress = [this](std::int64_t total, std::int64_t readed) {
        HTTPGetProgress(total, readed);
    };
    http_->OnDoneFile = [this](const std::string& file, std::int64_t) { HTTPGetDoneFile(file); };
    http_->OnError = [this] { HTTPGetError(); };
    LogInfo("updater", "download starts");
    http_->StartFileDownload();
}

void UpdaterWindow::HTTPGetProgress(std::int64_t totalSize, std::int64_t readed) {
    // The bar counts in KiB so that files past 2 GiB fit its range.
    const int scale = totalSize > 0x7FFFFFFF ? 1024 : 1;
    SendMessageW(spbStatus_, PBM_SETRANGE32, 0, static_cast<LPARAM>(totalSize / scale));
    SendMessageW(spbStatus_, PBM_SETPOS, static_cast<WPARAM>(readed / scale), 0);
    if (totalSize == 0)
        return;
    SetText(slblFile_, kFileLabel);
    SetText(seStatus_, downloadAddress_);
    if (tray_)
        tray_->SetTip("正在升级." + Text(slblPercent_));
    SetText(slblPercent_, FormatPercent(readed, totalSize));
}

void UpdaterWindow::HTTPGetError() {
    const int status = http_ ? http_->LastStatus() : 0;
    LogWarn("updater", "download failed, status " + std::to_string(status));
    SetText(slblinfo_, "下载失败,程序没有更新.请稍后重试.");
    SetText(slblFile_, "");
    if (status != 0 && status != 200 && status != 206)
        SetText(seStatus_, "服务器返回错误 " + std::to_string(status));
    else
        SetText(seStatus_, "下载没有完成");
}

void UpdaterWindow::HTTPGetDoneFile(const std::string& fileName) {
    busy_ = true;
    Guarded([&] {
        SetText(slblinfo_, "下载完成");
        ShowWindow(spbStatus_, SW_HIDE);
        SendMessageW(spbStatus_, PBM_SETPOS, 0, 0);
        SetText(seStatus_, "正在准备更新程序..");

        const std::string text = ReadFileBytes(fileName).value_or("");
        if (IsNotFoundPage(text)) {
            MessageBoxW(hwnd(), ToW("升级程序遇到问题,请稍后重试?").c_str(),
                        ToW("软件升级").c_str(), MB_OK);
            closeWhenIdle_ = true;
            return;
        }
        if (const std::string why = UpdateRejection(fileName, args_.shellExe, args_.versionFileUrl);
            !why.empty()) {
            LogWarn("updater", "download refused: " + why);
            SetText(slblinfo_, "下载的文件有误,程序没有更新.请稍后重试.");
            SetText(seStatus_, why);
            SetText(slblFile_, "");
            SetText(slblPercent_, "");
            RemoveTempFiles();  // never resumed: it starts over next time
            return;
        }
        if (IsProcessRunning(args_.shellExeName)) {
            const int answer =
                MessageBoxW(hwnd(), ToW("更新程序需要结束当前进程序,是否继续?").c_str(),
                            ToW("结束当前进程").c_str(), MB_YESNO | MB_ICONQUESTION);
            if (answer == IDYES)
                EndShellProcesses();
        }

        SetText(seStatus_, "正在拷贝并更新程序..");
        const bool replaced = ReplaceShell(fileName);
        SetText(seStatus_, "正在删除临时文件..");
        RemoveTempFiles();
        SetText(seStatus_, "");
        SetText(slblFile_, "");
        SetText(slblPercent_, "");
        if (replaced) {
            LogInfo("updater", "shell replaced");
            SetText(slblinfo_, "升级完成.");
            SetText(sbtnClose_, "完成(&F)");
        } else {
            SetText(slblinfo_, "程序没有更新.");
        }
    });
    busy_ = false;
    if (closeWhenIdle_)
        DestroyWindow(hwnd());
}

void UpdaterWindow::EndShellProcesses() {
    ProcessKiller killer(args_.shellExeName);
    while (!UpdateCancelled) {
        const ProcessKiller::Step step = killer.KillOne();
        if (step == ProcessKiller::Step::None)
            break;
        if (!killer.GivenUp().empty())
            SetText(seStatus_,
                    "有 " + std::to_string(killer.GivenUp().size()) + " 个进程无法结束,请手动关闭");
        Pump(step == ProcessKiller::Step::Failed ? 200 : 0);
    }
}

bool UpdaterWindow::ReplaceShell(const std::string& fileName) {
    for (;;) {
        Pump();
        if (ReplaceExecutable(fileName, args_.shellExe))
            return true;
        if (UpdateCancelled)
            return false;
        Pump(kCopyPauseMs);
    }
}

void UpdaterWindow::RemoveTempFiles() {
    const std::string file = tempFolder_ + "tmp";
    DeleteFileW(ToW(file).c_str());
    DeleteFileW(ToW(file + ".ini").c_str());
}

void UpdaterWindow::Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                UpdateCancelled = true;
                return;
            }
            if (!IsDialogMessageW(hwnd(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        const DWORD waited = GetTickCount() - start;
        if (waited >= ms || UpdateCancelled)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - waited, QS_ALLINPUT);
    }
}

void UpdaterWindow::sbtnCloseClick() {
    UpdateCancelled = true;
    if (http_)
        http_->CancelDownload();
    // Inside the kill or copy loop the flag ends the loop, whose remaining
    // steps run before the window goes.
    if (busy_)
        closeWhenIdle_ = true;
    else
        DestroyWindow(hwnd());
}

void UpdaterWindow::ShowFromTray(bool show) {
    ShowWindow(hwnd(), show ? SW_SHOWNORMAL : SW_HIDE);
    if (show)
        SetForegroundWindow(hwnd());
}

LRESULT UpdaterWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (tray_ && tray_->HandleMessage(msg))
        return 0;
    switch (msg) {
        case kDpiChangedMessage:
            ApplyDpi(DpiOfChange(wp), reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_SHOWWINDOW:
            if (wp)
                PostMessageW(hwnd(), kStartMessage, 0, 0);  // FormShow, once shown
            break;
        case kStartMessage:
            StartDownload();
            return 0;
        case kTrayMessage:
            if (lp == WM_LBUTTONDBLCLK)
                ShowFromTray(!IsWindowVisible(hwnd()));
            return 0;
        case WM_SYSCOMMAND: {
            const LRESULT r = DefWindowProcW(hwnd(), msg, wp, lp);
            switch (wp & 0xFFF0) {
                case SC_MINIMIZE:
                    ShowWindow(hwnd(), SW_HIDE);
                    break;
                case SC_MAXIMIZE:
                case SC_DEFAULT:
                    ShowFromTray(true);
                    break;
            }
            return r;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == kCloseId && HIWORD(wp) == BN_CLICKED)
                sbtnCloseClick();
            return 0;
        case WM_CLOSE:
            sbtnCloseClick();
            return 0;
        case WM_CTLCOLORSTATIC:
            // Opaque on the face colour: changing texts never leave traces.
            SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_DESTROY:
            // The download component stays until this object goes: its own
            // handler may be on the stack here.
            tray_.reset();
            if (http_)
                http_->CancelDownload();
            PostQuitMessage(0);
            return 0;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace lumo
