// The side panel's trees and the add-game dialog of a real shell, driven as a
// user would: the cursor placed on a row and real mouse messages, message
// boxes answered by their buttons, and the library files read back.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <optional>

#include "common/file.h"
#include "common/text.h"
#include "library/add_game_dialog_win.h"
#include "library/bill_protect_win.h"
#include "library/game_list.h"
#include "page/bill.h"
#include "protocol/shortcuts.h"
#include "tests/app/lumo_shell.h"
#include "tests/support/remote_tree_win.h"

using namespace lumo;
using namespace lumo::test;

namespace {

// The cursor on the point, then the button messages there: the panel reads
// the node from the cursor, as it does for a real click.
void Click(HWND window, POINT at, bool twice = false, bool right = false) {
    POINT screen = at;
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    Sleep(50);
    LPARAM lp = MAKELPARAM(at.x, at.y);
    UINT down = right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, up = right ? WM_RBUTTONUP : WM_LBUTTONUP;
    WPARAM key = right ? MK_RBUTTON : MK_LBUTTON;
    PostMessageW(window, WM_MOUSEMOVE, 0, lp);
    PostMessageW(window, down, key, lp);
    PostMessageW(window, up, 0, lp);
    if (twice) {
        PostMessageW(window, WM_LBUTTONDBLCLK, key, lp);
        PostMessageW(window, up, 0, lp);
    }
}

void ClickNode(HWND tree, const Node* node, bool twice = false) {
    ASSERT_NE(node, nullptr);
    Click(tree, RowPoint(tree, node->item), twice);
}

std::string Block(const std::string& folder, const std::string& name, const std::string& address,
                  const std::string& bill, bool withFolder = true) {
    return "#BEGIN#\r\n" + (withFolder ? "#FOLDER#" + folder + "\r\n" : std::string()) + "#NAME#" +
           name + "\r\n#ADDRESS#" + address + "\r\n#Bill#" + bill + "\r\n#END#\r\n";
}

// A shell whose UserData holds a prepared library.
class LibraryShell : public Shell {
  public:
    explicit LibraryShell(const std::string& games, const std::string& recents = {})
        : Shell("libui") {
        SetEnvironmentVariableW(L"LUMO_USERDATA_DIR", nullptr);
        CreateFolders(userData());
        WriteFileBytes(userData() + "gList.dat", Utf8ToAnsi(games));
        WriteFileBytes(userData() + "Recents.dat", Utf8ToAnsi(recents));
    }
    std::string userData() const { return folder() + "UserData\\"; }
    HWND games() const { return Control(L"tvwMyGame"); }
    HWND recents() const { return Control(L"tvwRecent"); }
    // The saved lists with their bills opened.
    GameLines SavedGames() const {
        GameLines games = ParseGameList(ReadFileBytes(userData() + "gList.dat").value_or(""),
                                        UserBillProtector());
        for (auto& g : games) BillOf(*g, UserBillProtector());
        return games;
    }
    RecentLines SavedRecents() const {
        RecentLines recents = ParseRecentList(
            ReadFileBytes(userData() + "Recents.dat").value_or(""), UserBillProtector());
        for (auto& r : recents) BillOf(*r, UserBillProtector());
        return recents;
    }
    // Shows the my-games section by its header, as a click there does.
    void ShowMyGames() const {
        HWND bar = Control(L"tbarMyGame");
        PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
        PostMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
        WaitFor([&] { return IsWindowVisible(games()) != FALSE; }, 5000);
    }
};

// A top-level window of the shell's process with that class and, when given,
// that caption.
HWND ShellWindow(DWORD pid, const wchar_t* cls, const std::string& caption = {}) {
    for (HWND h : WindowsOfProcess(pid, cls))
        if (IsWindowVisible(h) && (caption.empty() || WindowText(h) == caption))
            return h;
    return nullptr;
}

// The text of a message box and the box itself, once it is shown.
struct Box {
    HWND window = nullptr;
    std::string caption, text;
};
Box WaitForBox(DWORD pid) {
    Box box;
    WaitFor([&] { return (box.window = ShellWindow(pid, L"#32770")) != nullptr; }, 10000);
    if (box.window) {
        box.caption = WindowText(box.window);
        box.text = WindowText(GetDlgItem(box.window, 0xFFFF));
    }
    return box;
}
void Answer(const Box& box, int button) {
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, button)));
    WaitFor([&] { return !IsWindow(box.window); }, 5000);
}

const std::string kGame = "http://" + ServerHost() + "/game/login.html";

std::string SampleGames() {
    // Categories in the order of their first game; an empty category hides
    // its game; a category named like the add-game entry lands under it.
    return Block("角色扮演", "仙侠世界", kGame + "?a", "") +
           Block("策略", "三国", kGame + "?b", "") + Block("", "无分类", kGame + "?c", "") +
           Block("角色扮演", "魔域", kGame + "?d", "b1") +
           Block("添加游戏", "奇怪", kGame + "?e", "");
}

}  // namespace

TEST(LibraryUi, TreesShowTheFilesInOrderWithTheirImages) {
    LibraryShell shell(SampleGames(), Block("", "魔域", kGame + "?d", "b1", false) +
                                          Block("", "", kGame + "?x", "", false) +
                                          Block("", "三国", kGame + "?b", "", false));
    ASSERT_TRUE(shell.Start());
    EXPECT_EQ(Outline(ReadTree(shell.games())),
              "添加游戏 3/3\n"
              "  奇怪 2/2\n"
              "角色扮演 0/1\n"
              "  添加游戏 3/3\n"
              "  仙侠世界 2/2\n"
              "  魔域 2/2\n"
              "策略 0/1\n"
              "  添加游戏 3/3\n"
              "  三国 2/2\n");
    EXPECT_EQ(Outline(ReadTree(shell.recents())), "魔域 2/2\n三国 2/2\n");
    // The recent section is the open one at start.
    EXPECT_TRUE(IsWindowVisible(shell.recents()));
    EXPECT_FALSE(IsWindowVisible(shell.games()));
    RECT header{};
    GetWindowRect(shell.Control(L"PaintPanelMyGame"), &header);
    EXPECT_EQ(header.bottom - header.top, 25);
    HWND close = shell.Control(L"ToolBarLeftTopControl");
    RECT c{}, h{};
    GetWindowRect(close, &c);
    GetWindowRect(shell.Control(L"PaintPanelRecentLabel"), &h);
    EXPECT_TRUE(IsWindowVisible(close));
    EXPECT_EQ(c.right - c.left, 25);
    EXPECT_EQ(c.bottom - c.top, 25);
    EXPECT_TRUE(c.left >= h.left && c.right <= h.right && c.top == h.top)
        << c.left << " " << h.right;
}

TEST(LibraryUi, ClickingGamesOpensTabsAndMovesThemToTheFrontOfTheRecents) {
    LibraryShell shell(SampleGames(), Block("", "三国", kGame + "?b", "", false) +
                                          Block("", "仙侠世界", kGame + "?a", "", false));
    ASSERT_TRUE(shell.Start());
    shell.ShowMyGames();
    auto nodes = ReadTree(shell.games());
    ClickNode(shell.games(), Find(nodes, "魔域", 1));
    ASSERT_TRUE(shell.WaitForPages(2));
    auto recents = shell.SavedRecents();
    ASSERT_EQ(recents.size(), 3u);
    EXPECT_EQ(recents[0]->Name, "魔域");
    EXPECT_EQ(recents[0]->Bill, "b1");
    EXPECT_EQ(Outline(ReadTree(shell.recents())), "魔域 2/2\n三国 2/2\n仙侠世界 2/2\n");

    // Both halves of a double-click open the game.
    ClickNode(shell.games(), Find(nodes, "三国", 1), true);
    ASSERT_TRUE(shell.WaitForPages(4));
    EXPECT_EQ(shell.SavedRecents()[0]->Name, "三国");

    // A recent game opens without reordering the list.
    HWND bar = shell.Control(L"tbarRecent");
    PostMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(shell.recents()) != FALSE; }, 5000));
    ClickNode(shell.recents(), Find(ReadTree(shell.recents()), "仙侠世界", 0));
    ASSERT_TRUE(shell.WaitForPages(5));
    EXPECT_EQ(Outline(ReadTree(shell.recents())), "三国 2/2\n魔域 2/2\n仙侠世界 2/2\n");
    EXPECT_EQ(shell.SavedRecents()[2]->Name, "仙侠世界");
}

TEST(LibraryUi, TheFloatingButtonDeletesACategoryWithAllItsGames) {
    LibraryShell shell(SampleGames() + Block("策略", "红警", kGame + "?f", ""));
    ASSERT_TRUE(shell.Start());
    shell.ShowMyGames();
    HWND tree = shell.games();
    HWND del = shell.Control(L"tbrTVNDel");
    auto nodes = ReadTree(tree);
    // Over an add-game entry the button hides; over a category it shows at
    // the row's right end.
    POINT add = RowPoint(tree, Find(nodes, "添加游戏", 0)->item);
    PostMessageW(tree, WM_MOUSEMOVE, 0, MAKELPARAM(add.x, add.y));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(del); }, 3000));
    POINT row = RowPoint(tree, Find(nodes, "角色扮演", 0)->item);
    PostMessageW(tree, WM_MOUSEMOVE, 0, MAKELPARAM(row.x, row.y));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(del) != FALSE; }, 3000));
    RECT b{}, t{};
    GetWindowRect(del, &b);
    GetWindowRect(tree, &t);
    EXPECT_EQ(b.right, t.right);
    EXPECT_EQ(b.right - b.left, 14);

    PostMessageW(del, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 7));
    PostMessageW(del, WM_LBUTTONUP, 0, MAKELPARAM(7, 7));
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(del); }, 3000));
    // A second click before the mouse moves touches nothing more.
    PostMessageW(del, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 7));
    PostMessageW(del, WM_LBUTTONUP, 0, MAKELPARAM(7, 7));
    Sleep(300);
    EXPECT_EQ(Outline(ReadTree(tree)),
              "添加游戏 3/3\n  奇怪 2/2\n策略 0/1\n  添加游戏 3/3\n  三国 2/2\n  红警 2/2\n");
    std::string names;
    for (const auto& g : shell.SavedGames()) names += g->Folder + ":" + g->Name + " ";
    EXPECT_EQ(names, "策略:三国 :无分类 添加游戏:奇怪 策略:红警 ");
}

TEST(LibraryUi, TheAddGameDialogChecksInOrderAndAsksBeforeANewCategory) {
    LibraryShell shell(SampleGames());
    ASSERT_TRUE(shell.Start());
    shell.ShowMyGames();
    DWORD pid = shell.process().pid;
    auto nodes = ReadTree(shell.games());
    // The add-game entry under a category presets that category.
    size_t category = static_cast<size_t>(Find(nodes, "角色扮演", 0) - nodes.data());
    const Node* add = &nodes.at(category + 1);
    ASSERT_EQ(add->text, "添加游戏");
    ClickNode(shell.games(), add);
    HWND dialog = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (dialog = ShellWindow(pid, L"TfrmAddGame")) != nullptr; }, 10000));
    HWND sort = FindControl(dialog, L"cboSort"), name = FindControl(dialog, L"edtGameDescript"),
         url = FindControl(dialog, L"edtUrl"), proxy = FindControl(dialog, L"edtProxy"),
         ok = FindControl(dialog, L"sbtnOk");
    EXPECT_EQ(WindowText(sort), "角色扮演");
    RECT rc{};
    GetWindowRect(dialog, &rc);
    EXPECT_EQ(rc.right - rc.left, 393);
    EXPECT_EQ(rc.bottom - rc.top, 293);

    // One message at a time, in field order, the dialog staying open.
    struct Step {
        const char *category, *name, *address, *proxy, *message;
    } steps[] = {
        {"", "", "", "", "请指定游戏分类"},
        {"  ", "新游戏", "x", "", "请指定游戏分类"},
        {" 角色扮演 ", " ", "x", "", "请指定游戏描述"},
        {" 角色扮演 ", " 新游戏 ", "  ", "", "请指定游戏地址"},
        {" 角色扮演 ", " 新游戏 ", "x", "127.0.0.1:3128\" /x", kBadProxyMessage},
    };
    for (const Step& s : steps) {
        SendMessageW(sort, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToW(s.category).c_str()));
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToW(s.name).c_str()));
        SendMessageW(url, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToW(s.address).c_str()));
        SendMessageW(proxy, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToW(s.proxy).c_str()));
        PostMessageW(ok, BM_CLICK, 0, 0);
        Box box = WaitForBox(pid);
        EXPECT_EQ(box.text, s.message);
        Answer(box, IDOK);
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
    // A known category with spaces around it is not found as typed: asked,
    // and a No keeps everything.
    SendMessageW(url, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToW(" " + kGame + "?n ").c_str()));
    SendMessageW(proxy, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L" 127.0.0.1:3128 "));
    PostMessageW(ok, BM_CLICK, 0, 0);
    Box question = WaitForBox(pid);
    EXPECT_EQ(question.caption, "添加游戏");
    EXPECT_EQ(question.text, "游戏分类不存在,是否创建为新分类?");
    Answer(question, IDNO);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(shell.SavedGames().size(), 5u);
    // Yes files it, trimmed, under the existing category.
    PostMessageW(ok, BM_CLICK, 0, 0);
    Answer(WaitForBox(pid), IDYES);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));
    auto games = shell.SavedGames();
    ASSERT_EQ(games.size(), 6u);
    EXPECT_EQ(games[5]->Folder, "角色扮演");
    EXPECT_EQ(games[5]->Name, "新游戏");
    EXPECT_EQ(games[5]->Address, kGame + "?n");
    EXPECT_EQ(games[5]->Bill, "");
    EXPECT_EQ(games[5]->Proxy, "127.0.0.1:3128");
    nodes = ReadTree(shell.games());
    EXPECT_EQ(nodes[6].text, "新游戏");
    EXPECT_EQ(nodes[6].depth, 1);
}

TEST(LibraryUi, ASavedBillGoesWithTheCurrentPageIntoANewCategory) {
    LibraryShell shell(SampleGames());
    ASSERT_TRUE(shell.Start());
    DWORD pid = shell.process().pid;
    HWND page = shell.Pages().at(0);
    // The start page has reported its address and title.
    ASSERT_TRUE(WaitFor(
        [&] {
            std::string s = shell.Status();
            return !s.empty() && s != "空白页" && shell.Address().find("about:") != 0;
        },
        10000));
    const std::string bill =
        "<Forms><Form><FormName>f</FormName><ITEM><EName>pw</EName>"
        "<EValue>\"密码\"&amp;</EValue></ITEM></Form></Forms>";
    // The page's answer; the dialog comes once the send has returned.
    ASSERT_TRUE(SendCopyData(shell.main(), page, "SBI:" + bill));
    HWND dialog = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (dialog = ShellWindow(pid, L"TfrmAddGame")) != nullptr; }, 10000));
    EXPECT_EQ(WindowText(FindControl(dialog, L"edtUrl")), shell.Address());
    EXPECT_EQ(WindowText(FindControl(dialog, L"cboSort")), "");
    std::string title = WindowText(FindControl(dialog, L"edtGameDescript"));
    EXPECT_EQ(title, shell.Status());
    SendMessageW(FindControl(dialog, L"cboSort"), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(ToW("新分类").c_str()));
    PostMessageW(FindControl(dialog, L"sbtnOk"), BM_CLICK, 0, 0);
    Answer(WaitForBox(pid), IDYES);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));
    auto games = shell.SavedGames();
    ASSERT_EQ(games.size(), 6u);
    EXPECT_EQ(games[5]->Folder, "新分类");
    EXPECT_EQ(games[5]->Name, Trim(title));
    EXPECT_EQ(games[5]->Bill, bill);
    // A new category node without its add-game entry until the next fill.
    auto nodes = ReadTree(shell.games());
    ASSERT_GE(nodes.size(), 2u);
    EXPECT_EQ(nodes[nodes.size() - 2].text + " " + std::to_string(nodes[nodes.size() - 2].image),
              "新分类 0");
    EXPECT_EQ(nodes.back().depth, 1);
}

TEST(LibraryUi, OnlyGamesAreRenamedOrGivenAProxyAndBothSurviveARestart) {
    std::optional<LibraryShell> shell(std::in_place, SampleGames());
    ASSERT_TRUE(shell->Start());
    shell->ShowMyGames();
    HWND tree = shell->games();
    auto nodes = ReadTree(tree);
    // A category does not go into editing.
    EXPECT_EQ(SendMessageW(tree, TVM_EDITLABELW, 0,
                           reinterpret_cast<LPARAM>(Find(nodes, "策略", 0)->item)),
              0);
    // A right click on a category offers 打开全部 (closed again here); on a
    // game it offers "修改名称" first, which starts editing that game.
    DWORD pid = shell->process().pid;
    Click(tree, RowPoint(tree, Find(nodes, "策略", 0)->item), false, true);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = ShellWindow(pid, L"#32768")) != nullptr; }, 5000));
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitFor([&] { return ShellWindow(pid, L"#32768") == nullptr; }, 5000));
    Click(tree, RowPoint(tree, Find(nodes, "仙侠世界", 1)->item), false, true);
    ASSERT_TRUE(WaitFor([&] { return (menu = ShellWindow(pid, L"#32768")) != nullptr; }, 5000));
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    HWND edit = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            return (edit = reinterpret_cast<HWND>(SendMessageW(tree, TVM_GETEDITCONTROL, 0, 0))) !=
                   nullptr;
        },
        5000));
    EXPECT_EQ(WindowText(edit), "仙侠世界");
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToW("仙侠 新服").c_str()));
    SendMessageW(tree, TVM_ENDEDITLABELNOW, FALSE, 0);
    ASSERT_TRUE(WaitFor([&] { return shell->SavedGames()[0]->Name == "仙侠 新服"; }, 5000));

    // The second entry, "设置代理…", changes the game's proxy: a text that is
    // no proxy is refused, a proxy is saved with the game.
    nodes = ReadTree(tree);
    Click(tree, RowPoint(tree, Find(nodes, "仙侠 新服", 1)->item), false, true);
    ASSERT_TRUE(WaitFor([&] { return (menu = ShellWindow(pid, L"#32768")) != nullptr; }, 5000));
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (dialog = ShellWindow(pid, L"TfrmProxy")) != nullptr; }, 5000));
    HWND proxy = FindControl(dialog, L"edtProxy"), ok = FindControl(dialog, L"sbtnOk");
    SendMessageW(proxy, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"10.0.0.1:0"));
    PostMessageW(ok, BM_CLICK, 0, 0);
    Box box = WaitForBox(pid);
    EXPECT_EQ(box.text, kBadProxyMessage);
    Answer(box, IDOK);
    SendMessageW(proxy, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"10.0.0.1:8080"));
    PostMessageW(ok, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));
    EXPECT_EQ(shell->SavedGames()[0]->Proxy, "10.0.0.1:8080");
    std::string folder = shell->folder();
    std::string games = ReadFileBytes(shell->userData() + "gList.dat").value_or("");
    shell.reset();

    LibraryShell again(AnsiToUtf8(games));
    ASSERT_TRUE(again.Start());
    EXPECT_NE(Find(ReadTree(again.games()), "仙侠 新服", 1), nullptr);
    EXPECT_EQ(again.SavedGames()[0]->Proxy, "10.0.0.1:8080");
}

TEST(LibraryUi, ASavedGameLogsInInTheBlankTabAlsoAfterACrashOrAClose) {
    Server("/_control/reset");
    Server("/_control/clearlog");
    Server("/_control/set?startpage=about:blank");
    auto bill = [](const std::string& account) {
        return BillText(
            {{"loginForm",
              {{"username", account, false}, {"password", "pw", false}, {"btnLogin", "", true}}}});
    };
    LibraryShell shell("");
    {
        GameLibrary saved(shell.userData(), UserBillProtector());
        saved.Load();
        saved.AddGame("角色扮演", "多拉", bill("dora"), kGame);
        saved.AddGame("角色扮演", "艾琳", bill("erin"), kGame + "?e");
    }
    ASSERT_TRUE(shell.Start());
    ASSERT_TRUE(shell.AddressBecomes("about:blank"));
    Sleep(1500);  // the (blank) start page has arrived
    shell.ShowMyGames();
    auto seenInLobby = [](const std::string& accounts) {
        return WaitFor([&] { return Server("/_seen?path=/game/lobby.html") == accounts; }, 15000);
    };
    // The blank tab takes the game with its saved login, which logs in.
    ClickNode(shell.games(), Find(ReadTree(shell.games()), "多拉", 1));
    EXPECT_TRUE(seenInLobby("dora\n"));
    EXPECT_EQ(shell.TabCount(), 1);

    // Crashed and reloaded: its cookies are gone with the process; the
    // saved login logs it in again.
    Server("/_control/clearlog");
    DWORD crashed = Shell::PidOf(shell.Pages().at(0));
    UniqueHandle p(OpenProcess(PROCESS_TERMINATE, FALSE, crashed));
    TerminateProcess(p.get(), 9);
    ASSERT_TRUE(WaitFor([&] { return shell.NoticeShown(); }, 5000));
    PostMessageW(shell.Control(L"btnPageNotice1"), BM_CLICK, 0, 0);
    EXPECT_TRUE(seenInLobby("dora\n"));

    // The only tab closed: blank in a fresh process, which is nobody.
    Server("/_control/clearlog");
    DWORD logged = Shell::PidOf(shell.Pages().at(0));
    shell.Send(ShortcutCommand(Shortcut::CloseTab));
    ASSERT_TRUE(shell.AddressBecomes("about:blank"));
    EXPECT_TRUE(ProcessEnded(logged, 10000));
    shell.Send("NT:" + ServerUrl("/game/popup-target.html?in=blank"));
    EXPECT_TRUE(WaitFor(
        [&] {
            return Server("/_log").find("/game/popup-target.html?in=blank\t-\t") !=
                   std::string::npos;
        },
        15000))
        << Server("/_log");
    // Closed again, the blank tab takes the other saved game and logs in.
    shell.Send(ShortcutCommand(Shortcut::CloseTab));
    ASSERT_TRUE(shell.AddressBecomes("about:blank"));
    ClickNode(shell.games(), Find(ReadTree(shell.games()), "艾琳", 1));
    EXPECT_TRUE(seenInLobby("erin\n"));
    EXPECT_EQ(shell.TabCount(), 1);
    Server("/_control/reset");  // the start-page list back for the next test
}
