#include "library/add_game_dialog_win.h"

#include <iterator>

#include "common/guard.h"
#include "common/text.h"
#include "common/text_win.h"
#include "library/dialog_parts_win.h"
#include "library/game_tree_win.h"
#include "protocol/proxy.h"

namespace lumo {

namespace {

constexpr UINT kShowModalMessage = WM_APP + 1;
constexpr int kIdOk = IDOK, kIdCancel = IDCANCEL, kIdSort = 10, kIdColour = 11;
constexpr int kLabelLeft = 24, kFieldLeft = 90;
constexpr int kSortWidth = 145, kEditWidth = 273;

void PlainMessage(HWND owner, const char* text) {
    MessageBoxW(owner, ToW(text).c_str(), L"Lumo", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

HWND AddGameDialog::Child(const wchar_t* cls, const std::string& text, DWORD style, int id,
                          const wchar_t* name, DWORD exStyle) {
    return MakeDialogControl(hwnd(), cls, text, style, id, name, exStyle);
}

HWND AddGameDialog::Label(const char* text, const wchar_t* name) {
    return Child(L"STATIC", text, 0, 0, name);
}

bool AddGameDialog::Create(HWND owner, HICON icon, const Presets& presets, HWND gameTree,
                           GameLibrary* library) {
    owner_ = owner;
    gameTree_ = gameTree;
    library_ = library;
    presets_ = presets;
    FrameArgs a = DialogArgs(L"TfrmAddGame", kAddGameTitle, icon, owner, 393, 293);
    if (!CreateFrame(a))
        return false;
    sortLabel_ = Label("所属分类:", L"lblSort");
    descriptionLabel_ = Label("游戏描述:", L"lblGameDescript");
    addressLabel_ = Label("游戏地址:", L"lblUrl");
    proxyLabel_ = Label("代理服务器:", L"lblProxy");
    colourLabel_ = Label("标签颜色:", L"lblColour");
    // Tab order: category, description, address, proxy, colour, OK, cancel.
    sort_ = Child(L"COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                  kIdSort, L"cboSort");
    constexpr DWORD kEdit = WS_TABSTOP | ES_AUTOHSCROLL;
    description_ = Child(L"EDIT", "", kEdit, 0, L"edtGameDescript", WS_EX_CLIENTEDGE);
    address_ = Child(L"EDIT", "", kEdit, 0, L"edtUrl", WS_EX_CLIENTEDGE);
    proxy_ = Child(L"EDIT", "", kEdit, 0, L"edtProxy", WS_EX_CLIENTEDGE);
    SendMessageW(proxy_, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"主机:端口 或 socks=主机:端口，可不填"));
    colour_ =
        Child(L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kIdColour, L"cboColour");
    for (const GameColour& c : kGameColours)
        SendMessageW(colour_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToW(c.name).c_str()));
    commands_.Create(hwnd());
    RECT rc;
    GetClientRect(hwnd(), &rc);
    OnFrameResize(rc.right, rc.bottom);
    return true;
}

void AddGameDialog::OnFrameResize(int width, int height) {
    if (!commands_.created())
        return;
    // Design sizes at 96 DPI, scaled by Px.
    int y = kTitleBarHeight + 16;
    auto place = [&](HWND h, int x, int top, int w, int hgt) {
        MoveWindow(h, Px(x), Px(top), Px(w), Px(hgt), TRUE);
    };
    place(sortLabel_, kLabelLeft, y + 4, 64, 16);
    place(sort_, kFieldLeft, y, kSortWidth, 200);
    y += 34;
    place(descriptionLabel_, kLabelLeft, y + 4, 64, 16);
    place(description_, kFieldLeft, y, kEditWidth, 22);
    y += 34;
    place(addressLabel_, kLabelLeft, y + 4, 64, 16);
    place(address_, kFieldLeft, y, kEditWidth, 22);
    y += 34;
    place(proxyLabel_, kLabelLeft, y + 4, 64, 16);
    place(proxy_, kFieldLeft, y, kEditWidth, 22);
    y += 34;
    place(colourLabel_, kLabelLeft, y + 4, 64, 16);
    place(colour_, kFieldLeft, y, kSortWidth, 200);
    commands_.Layout(width, height, dpi());
}

void AddGameDialog::ShowModalLater() {
    PostMessageW(hwnd(), kShowModalMessage, 0, 0);
}

void AddGameDialog::ShowModal() {
    // FormShow: the presets go into the fields.
    SetWindowTextW(sort_, ToW(presets_.category).c_str());
    SetWindowTextW(description_, ToW(presets_.description).c_str());
    SetWindowTextW(address_, ToW(presets_.address).c_str());
    SetWindowTextW(proxy_, ToW(presets_.proxy).c_str());
    int colour = 0;
    for (size_t i = 0; i < std::size(kGameColours); ++i)
        if (presets_.colour == kGameColours[i].hex)
            colour = static_cast<int>(i);
    SendMessageW(colour_, CB_SETCURSEL, static_cast<WPARAM>(colour), 0);
    ShowWindow(hwnd(), SW_SHOW);
    SetFocus(sort_);
    RunModal(owner_, false);
}

void AddGameDialog::OnOk() {
    std::string category = ControlText(sort_);
    std::string description = ControlText(description_);
    std::string address = ControlText(address_);
    auto refuse = [&](const char* message, HWND field) {
        PlainMessage(hwnd(), message);
        SetFocus(field);
    };
    if (Trim(category).empty())
        return refuse(kNoCategoryMessage, sort_);
    if (Trim(description).empty())
        return refuse(kNoDescriptionMessage, description_);
    if (Trim(address).empty())
        return refuse(kNoAddressMessage, address_);
    std::optional<std::string> proxy = NormalizeProxy(ControlText(proxy_));
    if (!proxy)
        return refuse(kBadProxyMessage, proxy_);
    // The category as typed: spaces around a known name still ask.
    if (gameTree_ && !FindCategoryNode(gameTree_, category) &&
        MessageBoxW(hwnd(), ToW(kNewCategoryQuestion).c_str(), ToW(kAddGameTitle).c_str(),
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const auto colour = static_cast<size_t>(SendMessageW(colour_, CB_GETCURSEL, 0, 0));
    if (gameTree_ && library_)
        AddGame(gameTree_, *library_, Trim(category), Trim(description), presets_.bill,
                Trim(address), *proxy,
                colour < std::size(kGameColours) ? kGameColours[colour].hex : "");
    Close();
}

void AddGameDialog::Close() {
    EndModal();
    // The bill holds a password: it does not outlive the dialog in memory.
    presets_.bill.assign(presets_.bill.size(), '\0');
    presets_.bill.clear();
    ShowWindow(hwnd(), SW_HIDE);
}

LRESULT AddGameDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kShowModalMessage:
            ShowModal();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wp) == kIdOk && HIWORD(wp) == BN_CLICKED) {
                Guarded([&] { OnOk(); });
                return 0;
            }
            if (LOWORD(wp) == kIdCancel && HIWORD(wp) == BN_CLICKED) {
                Close();
                return 0;
            }
            if (LOWORD(wp) == kIdSort && HIWORD(wp) == CBN_DROPDOWN) {
                // cboSortDropDown: the tree's categories, fresh each time.
                Guarded([&] {
                    SendMessageW(sort_, CB_RESETCONTENT, 0, 0);
                    if (gameTree_)
                        for (const std::string& name : GetCategoryNames(gameTree_))
                            SendMessageW(sort_, CB_ADDSTRING, 0,
                                         reinterpret_cast<LPARAM>(ToW(name).c_str()));
                });
                return 0;
            }
            return FrameBase::HandleMessage(msg, wp, lp);
        case WM_CLOSE:
            Close();
            return 0;
        default:
            return FrameBase::HandleMessage(msg, wp, lp);
    }
}

}  // namespace lumo
