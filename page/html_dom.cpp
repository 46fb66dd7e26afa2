#include "page/html_dom.h"

#include <algorithm>
#include <array>

#include "common/text.h"
#include "page/html_url.h"

namespace lumo::html {
namespace {

bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAsciiAlnum(char c) {
    return IsAsciiAlpha(c) || IsAsciiDigit(c);
}
bool IsHexDigit(char c) {
    return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

struct NamedEntity {
    std::string_view name;
    std::uint32_t cp;
    bool legacy;  // accepted without ';'
};

constexpr std::array<NamedEntity, 44> kEntities{{
    {"amp", '&', true},        {"lt", '<', true},        {"gt", '>', true},
    {"quot", '"', true},       {"apos", '\'', false},    {"nbsp", 0xA0, true},
    {"copy", 0xA9, true},      {"reg", 0xAE, true},      {"trade", 0x2122, false},
    {"hellip", 0x2026, false}, {"mdash", 0x2014, false}, {"ndash", 0x2013, false},
    {"lsquo", 0x2018, false},  {"rsquo", 0x2019, false}, {"ldquo", 0x201C, false},
    {"rdquo", 0x201D, false},  {"laquo", 0xAB, false},   {"raquo", 0xBB, false},
    {"middot", 0xB7, false},   {"bull", 0x2022, false},  {"times", 0xD7, false},
    {"divide", 0xF7, false},   {"yen", 0xA5, false},     {"euro", 0x20AC, false},
    {"pound", 0xA3, false},    {"cent", 0xA2, false},    {"sect", 0xA7, false},
    {"deg", 0xB0, false},      {"plusmn", 0xB1, false},  {"para", 0xB6, false},
    {"larr", 0x2190, false},   {"rarr", 0x2192, false},  {"uarr", 0x2191, false},
    {"darr", 0x2193, false},   {"ensp", 0x2002, false},  {"emsp", 0x2003, false},
    {"thinsp", 0x2009, false}, {"zwnj", 0x200C, false},  {"zwj", 0x200D, false},
    {"iexcl", 0xA1, false},    {"iquest", 0xBF, false},  {"shy", 0xAD, false},
    {"acute", 0xB4, false},    {"frac12", 0xBD, false},
}};

// Numeric references 0x80..0x9F name Windows-1252 characters.
constexpr std::array<std::uint16_t, 32> kC1{{
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178,
}};

const NamedEntity* FindEntity(std::string_view name) {
    for (const NamedEntity& e : kEntities)
        if (e.name == name)
            return &e;
    return nullptr;
}

constexpr std::array<std::string_view, 20> kVoid{
    {"area",   "base",  "br",       "col",     "embed",   "hr",    "img",
     "input",  "link",  "meta",     "param",   "source",  "track", "wbr",
     "keygen", "frame", "basefont", "bgsound", "isindex", "image"}};
// Elements whose content is text up to their own end tag.
constexpr std::array<std::string_view, 6> kRawText{
    {"script", "style", "xmp", "iframe", "noembed", "noframes"}};
constexpr std::array<std::string_view, 2> kRcData{{"title", "textarea"}};
// Elements whose text is collected (for values, captions and tests).
constexpr std::array<std::string_view, 15> kTextKept{{"a", "button", "option", "label", "span", "p",
                                                      "li", "h1", "h2", "h3", "h4", "h5", "h6", "b",
                                                      "legend"}};
// Open elements that a new <p>-closing block start implicitly ends.
constexpr std::array<std::string_view, 14> kClosesP{{"p", "div", "ul", "ol", "table", "form", "h1",
                                                     "h2", "h3", "h4", "h5", "h6", "pre",
                                                     "blockquote"}};

template <size_t N>
bool In(const std::array<std::string_view, N>& set, std::string_view s) {
    return std::find(set.begin(), set.end(), s) != set.end();
}

bool IsControlTag(std::string_view tag) {
    return tag == "input" || tag == "select" || tag == "textarea" || tag == "button";
}

// Collapses runs of white space to one blank and trims the ends.
std::string CollapseSpace(std::string_view s) {
    std::string out;
    bool pendingSpace = false;
    for (char c : s) {
        if (IsSpace(c)) {
            pendingSpace = !out.empty();
        } else {
            if (pendingSpace)
                out += ' ';
            pendingSpace = false;
            out += c;
        }
    }
    return out;
}

// Position of the end tag "</name" (any case, followed by a blank, '/' or
// '>' or the end) at or after `from`; npos when there is none.
size_t FindEndTag(std::string_view s, size_t from, std::string_view name) {
    for (size_t i = s.find("</", from); i != std::string_view::npos; i = s.find("</", i + 2)) {
        size_t j = i + 2;
        if (j + name.size() > s.size())
            return std::string_view::npos;
        if (!EqualsNoCase(s.substr(j, name.size()), name))
            continue;
        j += name.size();
        if (j == s.size() || IsSpace(s[j]) || s[j] == '/' || s[j] == '>')
            return i;
    }
    return std::string_view::npos;
}

class Builder {
  public:
    Dom Run(std::string_view s) {
        s_ = s;
        while (i_ < s_.size()) Step();
        return std::move(dom_);
    }

  private:
    static constexpr size_t kMaxOpen = 512;  // deeper elements are not tracked as open
    static constexpr size_t kMaxKeep = 16;   // text collectors open at once

    void Step() {
        if (s_[i_] != '<') {
            size_t end = s_.find('<', i_);
            if (end == std::string_view::npos)
                end = s_.size();
            Text(DecodeEntities(s_.substr(i_, end - i_)));
            i_ = end;
            return;
        }
        const size_t rest = s_.size() - i_;
        const char next = rest > 1 ? s_[i_ + 1] : '\0';
        if (next == '!') {
            if (s_.substr(i_, 4) == "<!--") {
                size_t end = s_.find("-->", i_ + 4);
                i_ = end == std::string_view::npos ? s_.size() : end + 3;
            } else {
                SkipPast('>');
            }
        } else if (next == '?') {
            SkipPast('>');
        } else if (next == '/') {
            if (rest > 2 && IsAsciiAlpha(s_[i_ + 2])) {
                size_t j = i_ + 2;
                while (j < s_.size() && !IsSpace(s_[j]) && s_[j] != '/' && s_[j] != '>') ++j;
                std::string name = AsciiLower(s_.substr(i_ + 2, j - i_ - 2));
                i_ = j;
                SkipPast('>');
                EndTag(name);
            } else {
                SkipPast('>');  // "</>" or a bogus comment
            }
        } else if (IsAsciiAlpha(next)) {
            StartTag();
        } else {
            Text("<");
            ++i_;
        }
    }

    void SkipPast(char c) {
        size_t end = s_.find(c, i_);
        i_ = end == std::string_view::npos ? s_.size() : end + 1;
    }

    void StartTag() {
        size_t j = i_ + 1;
        while (j < s_.size() && !IsSpace(s_[j]) && s_[j] != '/' && s_[j] != '>') ++j;
        Element e;
        e.tag = AsciiLower(s_.substr(i_ + 1, j - i_ - 1));
        for (;;) {
            while (j < s_.size() && (IsSpace(s_[j]) || s_[j] == '/')) ++j;
            if (j >= s_.size()) {  // the document ends inside the tag: drop it
                i_ = s_.size();
                return;
            }
            if (s_[j] == '>') {
                ++j;
                break;
            }
            size_t nameStart = j++;  // the first character may be anything, even '='
            while (j < s_.size() && !IsSpace(s_[j]) && s_[j] != '/' && s_[j] != '>' && s_[j] != '=')
                ++j;
            std::string name = AsciiLower(s_.substr(nameStart, j - nameStart));
            size_t k = j;
            while (k < s_.size() && IsSpace(s_[k])) ++k;
            std::string value;
            if (k < s_.size() && s_[k] == '=') {
                ++k;
                while (k < s_.size() && IsSpace(s_[k])) ++k;
                if (k < s_.size() && (s_[k] == '"' || s_[k] == '\'')) {
                    size_t close = s_.find(s_[k], k + 1);
                    if (close == std::string_view::npos) {
                        i_ = s_.size();
                        return;
                    }
                    value = DecodeEntities(s_.substr(k + 1, close - k - 1), true);
                    k = close + 1;
                } else {
                    size_t start = k;
                    while (k < s_.size() && !IsSpace(s_[k]) && s_[k] != '>') ++k;
                    value = DecodeEntities(s_.substr(start, k - start), true);
                }
                j = k;
            }
            if (!e.HasAttr(name))
                e.attributes.emplace_back(std::move(name), std::move(value));
        }
        i_ = j;
        Open(std::move(e));
    }

    void Open(Element e) {
        const std::string tag = e.tag;
        if (tag == "form") {
            if (formOpen_ >= 0)
                return;  // a form inside a form is ignored
        }
        // Implied ends.
        if (tag == "option" || tag == "optgroup")
            PopNearest("option", "select");
        if (tag == "li")
            PopNearest("li", "ul");
        if (tag == "tr")
            PopUntilAny({"td", "th", "tr"});
        if (tag == "td" || tag == "th")
            PopUntilAny({"td", "th"});
        if (In(kClosesP, tag))
            PopNearest("p", "");

        const int index = static_cast<int>(dom_.elements.size());
        if (IsControlTag(tag) && formOpen_ >= 0) {
            e.form = formOpen_;
            dom_.elements[formOpen_].controls.push_back(index);
        }
        if (tag == "option" && selectOpen_ >= 0) {
            e.select = selectOpen_;
            dom_.elements[selectOpen_].options.push_back(index);
        }
        dom_.elements.push_back(std::move(e));
        if (tag == "form") {
            formOpen_ = index;
            dom_.forms.push_back(index);
        }
        if (tag == "select")
            selectOpen_ = index;

        if (In(kRawText, tag) || In(kRcData, tag)) {
            size_t end = FindEndTag(s_, i_, tag);
            if (end == std::string_view::npos)
                end = s_.size();
            std::string_view body = s_.substr(i_, end - i_);
            std::string text = In(kRcData, tag) ? DecodeEntities(body) : std::string(body);
            Element& el = dom_.elements[index];
            if (tag == "textarea" && !text.empty() && text[0] == '\n')
                text.erase(0, 1);
            if (tag == "title" && !dom_.hasTitle) {
                dom_.hasTitle = true;
                dom_.title = CollapseSpace(text);
            }
            if (tag == "script" && !el.HasAttr("src"))
                dom_.scripts.push_back(text);
            el.text = std::move(text);
            i_ = end;  // the end tag itself is read as usual
            return;
        }
        if (In(kVoid, tag) || open_.size() >= kMaxOpen)
            return;
        open_.push_back(index);
        if (In(kTextKept, tag) && keep_.size() < kMaxKeep)
            keep_.push_back(index);
    }

    // Closes the innermost open `tag`, looking no further out than `stop`
    // (a "p" only when it is the innermost element at all).
    void PopNearest(std::string_view tag, std::string_view stop) {
        for (size_t k = open_.size(); k-- > 0;) {
            const std::string& t = dom_.elements[open_[k]].tag;
            if (t == tag)
                return Pop(k);
            if (stop.empty() || t == stop)
                return;
        }
    }

    void PopUntilAny(std::initializer_list<std::string_view> tags) {
        for (size_t k = open_.size(); k-- > 0;) {
            const std::string& t = dom_.elements[open_[k]].tag;
            if (t == "table")
                return;
            if (std::find(tags.begin(), tags.end(), t) != tags.end())
                return Pop(k);
        }
    }

    // Closes open element number k and everything opened after it.
    void Pop(size_t k) {
        while (open_.size() > k) {
            const Element& el = dom_.elements[open_.back()];
            if (el.tag == "select")
                selectOpen_ = -1;
            if (!keep_.empty() && keep_.back() == open_.back())
                keep_.pop_back();
            open_.pop_back();
        }
    }

    void EndTag(const std::string& name) {
        if (name == "form")
            formOpen_ = -1;
        if (name == "select")
            selectOpen_ = -1;
        for (size_t k = open_.size(); k-- > 0;) {
            if (dom_.elements[open_[k]].tag == name)
                return Pop(k);
        }
    }

    // `keep_` lists the open elements whose text is collected, in the order
    // of `open_`, so closing from the top keeps both in step.
    void Text(std::string_view text) {
        for (int idx : keep_) dom_.elements[idx].text += text;
    }

    std::string_view s_;
    size_t i_ = 0;
    Dom dom_;
    std::vector<int> open_;
    std::vector<int> keep_;
    int formOpen_ = -1;
    int selectOpen_ = -1;
};

}  // namespace

void AppendUtf8(std::string& out, std::uint32_t cp) {
    // A character reference to U+0000 reads as U+FFFD in HTML.
    lumo::AppendUtf8(out, cp == 0 ? char32_t(0xFFFD) : static_cast<char32_t>(cp));
}

std::string DecodeEntities(std::string_view s, bool inAttribute) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        size_t amp = s.find('&', i);
        if (amp == std::string_view::npos)
            amp = s.size();
        out.append(s.substr(i, amp - i));
        i = amp;
        if (i >= s.size())
            break;
        size_t j = i + 1;
        if (j < s.size() && s[j] == '#') {
            ++j;
            const bool hex = j < s.size() && (s[j] == 'x' || s[j] == 'X');
            if (hex)
                ++j;
            const size_t digitsStart = j;
            std::uint32_t cp = 0;
            while (j < s.size() && (hex ? IsHexDigit(s[j]) : IsAsciiDigit(s[j]))) {
                const char c = s[j];
                const std::uint32_t d = IsAsciiDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
                cp = cp > 0x10FFFF ? cp : cp * (hex ? 16 : 10) + d;
                ++j;
            }
            if (j == digitsStart) {  // "&#" without digits stays as it is
                out += '&';
                ++i;
                continue;
            }
            if (j < s.size() && s[j] == ';')
                ++j;
            if (cp >= 0x80 && cp <= 0x9F)
                cp = kC1[cp - 0x80];
            AppendUtf8(out, cp);
            i = j;
            continue;
        }
        while (j < s.size() && j - i <= 32 && IsAsciiAlnum(s[j])) ++j;
        const std::string_view name = s.substr(i + 1, j - i - 1);
        const NamedEntity* e = name.empty() ? nullptr : FindEntity(name);
        if (e && j < s.size() && s[j] == ';') {
            AppendUtf8(out, e->cp);
            i = j + 1;
        } else if (e && e->legacy &&
                   !(inAttribute && j < s.size() && (IsAsciiAlnum(s[j]) || s[j] == '='))) {
            AppendUtf8(out, e->cp);
            i = j;
        } else {
            out += '&';
            ++i;
        }
    }
    return out;
}

const std::string* Element::Attr(std::string_view lowerName) const {
    for (const auto& [n, v] : attributes)
        if (n == lowerName)
            return &v;
    return nullptr;
}

void Element::SetAttr(std::string_view lowerName, std::string_view v) {
    for (auto& [n, old] : attributes) {
        if (n == lowerName) {
            old = v;
            return;
        }
    }
    attributes.emplace_back(std::string(lowerName), std::string(v));
}

void Element::RemoveAttr(std::string_view lowerName) {
    std::erase_if(attributes, [&](const auto& a) { return a.first == lowerName; });
}

std::string Dom::TypeOf(int index) const {
    const Element& e = elements[index];
    if (e.tag != "input" && e.tag != "button")
        return "";
    const std::string* t = e.Attr("type");
    std::string type = t ? AsciiLower(Trim(*t)) : "";
    if (e.tag == "button")
        return type == "button" || type == "reset" ? type : "submit";
    static constexpr std::array<std::string_view, 22> kKnown{
        {"hidden",   "text",  "search", "tel",      "url",   "email",
         "password", "date",  "month",  "week",     "time",  "datetime-local",
         "number",   "range", "color",  "checkbox", "radio", "file",
         "submit",   "image", "reset",  "button"}};
    return In(kKnown, type) ? type : "text";
}

int Dom::FindByNameOrId(std::string_view key) const {
    if (key.empty())
        return -1;
    for (size_t i = 0; i < elements.size(); ++i) {
        const Element& e = elements[i];
        const std::string* name = e.Attr("name");
        const std::string* id = e.Attr("id");
        if ((name && *name == key) || (id && *id == key))
            return static_cast<int>(i);
    }
    return -1;
}

int Dom::ControlByNameOrId(int formIndex, std::string_view key) const {
    if (key.empty() || formIndex < 0 || formIndex >= static_cast<int>(elements.size()))
        return -1;
    for (int c : elements[formIndex].controls) {
        const std::string* name = elements[c].Attr("name");
        const std::string* id = elements[c].Attr("id");
        if ((name && *name == key) || (id && *id == key))
            return c;
    }
    return -1;
}

std::string Dom::BaseUrl(std::string_view documentUrl) const {
    for (const Element& e : elements) {
        if (e.tag != "base")
            continue;
        if (const std::string* href = e.Attr("href")) {
            std::string resolved = ResolveUrl(documentUrl, *href);
            if (!resolved.empty())
                return resolved;
        }
        break;
    }
    return std::string(documentUrl);
}

std::string Dom::CurrentValue(int index) const {
    const Element& e = elements[index];
    if (e.value)
        return *e.value;
    if (e.tag == "textarea")
        return e.text;
    if (e.tag == "select") {
        int chosen = -1;
        for (int o : e.options) {
            if (elements[o].HasAttr("selected")) {
                chosen = o;
                break;
            }
        }
        if (chosen < 0 && !e.HasAttr("multiple") && !e.options.empty())
            chosen = e.options.front();
        return chosen < 0 ? "" : CurrentValue(chosen);
    }
    if (e.tag == "option") {
        const std::string* v = e.Attr("value");
        return v ? *v : CollapseSpace(e.text);
    }
    const std::string* v = e.Attr("value");
    if (v)
        return *v;
    if (e.tag == "input") {
        const std::string type = TypeOf(index);
        if (type == "checkbox" || type == "radio")
            return "on";
    }
    return "";
}

std::optional<std::string> Dom::GetAttribute(int index, std::string_view name) const {
    const Element& e = elements[index];
    const std::string lower = AsciiLower(name);
    if (lower == "value" && (IsControlTag(e.tag) || e.tag == "option")) {
        if (e.tag == "button" && !e.value && !e.HasAttr("value"))
            return std::nullopt;
        return CurrentValue(index);
    }
    if (const std::string* v = e.Attr(lower))
        return *v;
    return std::nullopt;
}

void Dom::SetAttribute(int index, std::string_view name, std::string_view value) {
    Element& e = elements[index];
    const std::string lower = AsciiLower(name);
    if (lower == "value" && e.tag == "select") {
        // Selecting by value: the matching option becomes the selected one;
        // without a match nothing is selected, as in a browser.
        for (int o : e.options) elements[o].RemoveAttr("selected");
        e.value.reset();
        bool matched = false;
        for (int o : e.options) {
            if (CurrentValue(o) == value) {
                elements[o].SetAttr("selected", "selected");
                matched = true;
                break;
            }
        }
        if (!matched)
            e.value = "";
        return;
    }
    if (lower == "value" && (e.tag == "input" || e.tag == "textarea")) {
        e.value = std::string(value);
        return;
    }
    e.SetAttr(lower, value);
}

Dom ParseHtml(std::string_view utf8) {
    return Builder().Run(utf8);
}

}  // namespace lumo::html
