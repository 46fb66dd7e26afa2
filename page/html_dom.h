// A small HTML reader for the headless engine: a forgiving tokenizer that
// turns a UTF-8 page into a flat list of elements in document order, with
// the few relations the page window needs (forms and their controls, the
// options of a list box, the title, the inline scripts). No tree, no CSS, no
// layout. It never fails: any input, however broken, gives some document.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumo::html {

// Replaces character references ("&amp;", "&#20013;", "&#x4E2D;") by their
// UTF-8 text. Named references need their ';' except the few legacy ones
// (amp, lt, gt, quot, nbsp, copy, reg) that pages often write without it;
// inside attribute values those are left alone when a letter, digit or '='
// follows, as browsers do for query strings ("?a=1&copy=2").
std::string DecodeEntities(std::string_view text, bool inAttribute = false);

// Appends the UTF-8 form of code point `cp`; invalid ones become U+FFFD.
void AppendUtf8(std::string& out, std::uint32_t cp);

struct Element {
    std::string tag;  // lower case
    // Names in lower case; of duplicates the first is kept (as browsers do).
    std::vector<std::pair<std::string, std::string>> attributes;
    // Text inside the element, entities decoded; kept for the elements whose
    // text matters here (title, textarea, option, button, a, script, ...).
    std::string text;
    int form = -1;                     // controls: element index of the owning form
    int select = -1;                   // options: element index of their list box
    std::vector<int> controls;         // forms: input/select/textarea/button, in order
    std::vector<int> options;          // list boxes: their options, in order
    std::optional<std::string> value;  // current value once set by the user/caller

    const std::string* Attr(std::string_view lowerName) const;
    bool HasAttr(std::string_view lowerName) const { return Attr(lowerName) != nullptr; }
    void SetAttr(std::string_view lowerName, std::string_view v);
    void RemoveAttr(std::string_view lowerName);
};

struct Dom {
    std::vector<Element> elements;  // document order
    std::vector<int> forms;         // element indexes of the <form>s
    std::string title;              // first <title>, white space collapsed
    bool hasTitle = false;
    std::vector<std::string> scripts;  // inline <script> texts, in order

    // The element's "type" for inputs and buttons, lower case with the
    // defaults applied ("text", "submit"); "" for other elements.
    std::string TypeOf(int index) const;
    // The first element whose name or id equals `key` (exact match); -1 if none.
    int FindByNameOrId(std::string_view key) const;
    // The first control of form `formIndex` (an element index) whose name or
    // id equals `key`; -1 if none.
    int ControlByNameOrId(int formIndex, std::string_view key) const;
    // The base URL for links: <base href> resolved against `documentUrl`.
    std::string BaseUrl(std::string_view documentUrl) const;

    // Attribute access as the page's script sees it: names without regard to
    // letter case, and "value" of an input, textarea or list box is the
    // current value (what was typed/selected), "" when there is none.
    std::optional<std::string> GetAttribute(int index, std::string_view name) const;
    void SetAttribute(int index, std::string_view name, std::string_view value);
    // The current value of a control (see GetAttribute).
    std::string CurrentValue(int index) const;
    bool IsChecked(int index) const { return elements[index].HasAttr("checked"); }
};

// Parses a UTF-8 page. Malformed markup (unclosed tags, stray '<', cut-off
// attributes or references) is read the forgiving way; never throws except
// std::bad_alloc.
Dom ParseHtml(std::string_view utf8);

}  // namespace lumo::html
