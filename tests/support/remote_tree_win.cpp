#include "tests/support/remote_tree_win.h"

#include "common/handle_win.h"
#include "common/text_win.h"

namespace lumo::test {

namespace {

// Memory inside the shell, for the tree messages that carry pointers.
class Remote {
  public:
    Remote(HWND window, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_.reset(
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
        if (process_.valid())
            at_ = VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~Remote() {
        if (at_)
            VirtualFreeEx(process_.get(), at_, 0, MEM_RELEASE);
    }
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;
    char* at() const { return static_cast<char*>(at_); }
    void Write(const void* data, size_t n, size_t offset = 0) {
        WriteProcessMemory(process_.get(), at() + offset, data, n, nullptr);
    }
    void Read(void* data, size_t n, size_t offset = 0) const {
        ReadProcessMemory(process_.get(), at() + offset, data, n, nullptr);
    }

  private:
    UniqueHandle process_;
    void* at_ = nullptr;
    size_t size_;
};

HTREEITEM NextItem(HWND tree, HTREEITEM item, UINT how) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

Node ReadNode(HWND tree, HTREEITEM item, int depth) {
    Remote mem(tree, sizeof(TVITEMW) + 1024 * sizeof(wchar_t));
    TVITEMW it{};
    it.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    it.hItem = item;
    it.pszText = reinterpret_cast<wchar_t*>(mem.at() + sizeof(TVITEMW));
    it.cchTextMax = 1024;
    mem.Write(&it, sizeof(it));
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(mem.at()));
    mem.Read(&it, sizeof(it));
    wchar_t text[1024] = {};
    mem.Read(text, sizeof(text) - sizeof(wchar_t), sizeof(TVITEMW));
    return {item, depth, FromW(text), it.iImage, it.iSelectedImage};
}

}  // namespace

// Every node in tree order, collapsed or not.
std::vector<Node> ReadTree(HWND tree) {
    std::vector<Node> nodes;
    for (HTREEITEM top = NextItem(tree, nullptr, TVGN_ROOT); top;
         top = NextItem(tree, top, TVGN_NEXT)) {
        nodes.push_back(ReadNode(tree, top, 0));
        for (HTREEITEM c = NextItem(tree, top, TVGN_CHILD); c; c = NextItem(tree, c, TVGN_NEXT))
            nodes.push_back(ReadNode(tree, c, 1));
    }
    return nodes;
}

std::string Outline(const std::vector<Node>& nodes) {
    std::string s;
    for (const Node& n : nodes)
        s += std::string(n.depth ? "  " : "") + n.text + " " + std::to_string(n.image) + "/" +
             std::to_string(n.selectedImage) + "\n";
    return s;
}

const Node* Find(const std::vector<Node>& nodes, const std::string& text, int depth) {
    for (const Node& n : nodes)
        if (n.text == text && n.depth == depth)
            return &n;
    return nullptr;
}

// The middle of a node's row, in the tree's client coordinates (the node
// made visible first: its parent expanded, scrolled into view).
POINT RowPoint(HWND tree, HTREEITEM item) {
    SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    Remote mem(tree, sizeof(RECT));
    RECT rc{};
    mem.Write(&item, sizeof(item));  // the node goes in where the rectangle comes out
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(mem.at()));
    mem.Read(&rc, sizeof(rc));
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

std::vector<std::string> ReadToolbarTexts(HWND toolbar) {
    std::vector<std::string> texts;
    const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    constexpr size_t kChars = 1024;
    Remote mem(toolbar, sizeof(TBBUTTON) + kChars * sizeof(wchar_t));
    if (!mem.at())
        return texts;
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(mem.at()));
        mem.Read(&button, sizeof(button));
        wchar_t text[kChars] = {};
        mem.Write(text, sizeof(text), sizeof(TBBUTTON));
        const LRESULT n = SendMessageW(toolbar, TB_GETBUTTONTEXTW, button.idCommand,
                                       reinterpret_cast<LPARAM>(mem.at() + sizeof(TBBUTTON)));
        if (n > 0 && static_cast<size_t>(n) < kChars)
            mem.Read(text, static_cast<size_t>(n) * sizeof(wchar_t), sizeof(TBBUTTON));
        texts.push_back(FromW(text));
    }
    return texts;
}

}  // namespace lumo::test
