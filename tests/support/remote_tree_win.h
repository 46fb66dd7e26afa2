// Tree views and tool bars of another process (the shell's game trees and
// tab strip), read through memory allocated in that process for the messages
// that carry pointers.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace lumo::test {

struct Node {
    HTREEITEM item;
    int depth;
    std::string text;
    int image, selectedImage;
};

// Every node in tree order (top level and its children), collapsed or not.
std::vector<Node> ReadTree(HWND tree);
// "text image/selected" per node, children indented by two blanks.
std::string Outline(const std::vector<Node>& nodes);
const Node* Find(const std::vector<Node>& nodes, const std::string& text, int depth);
// The middle of a node's row, in the tree's client coordinates (the node
// made visible first: its parent expanded, scrolled into view).
POINT RowPoint(HWND tree, HTREEITEM item);

// The button texts of a tool bar, in order (the tab titles of the strip).
std::vector<std::string> ReadToolbarTexts(HWND toolbar);

}  // namespace lumo::test
