#include "page/html_form.h"

#include "common/text.h"
#include "page/html_url.h"

namespace lumo::html {
namespace {

bool IsIdentChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '.';
}

bool OpensNewWindow(const Element& e) {
    const std::string* target = e.Attr("target");
    if (!target)
        return false;
    const std::string t = AsciiLower(Trim(*target));
    return !t.empty() && t != "_self" && t != "_top" && t != "_parent";
}

// Reads a quoted literal starting at s[i] (the quote); nullopt when it is
// not closed.
std::optional<std::string> ReadLiteral(std::string_view s, size_t i) {
    const char quote = s[i];
    std::string out;
    for (size_t j = i + 1; j < s.size(); ++j) {
        const char c = s[j];
        if (c == quote)
            return out;
        if (c == '\n')
            return std::nullopt;
        if (c == '\\' && j + 1 < s.size()) {
            const char n = s[++j];
            out += n == 'n' ? '\n' : n == 't' ? '\t' : n;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

ClickResult Resolved(ClickResult::Kind kind, std::string url) {
    ClickResult r;
    if (url.empty())
        return r;
    r.kind = kind;
    r.request.url = std::move(url);
    return r;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> FormFields(const Dom& dom, int form,
                                                            int submitter) {
    std::vector<std::pair<std::string, std::string>> fields;
    if (form < 0 || form >= static_cast<int>(dom.elements.size()))
        return fields;
    for (int c : dom.elements[form].controls) {
        const Element& e = dom.elements[c];
        const std::string* name = e.Attr("name");
        if (e.HasAttr("disabled"))
            continue;
        const std::string type = dom.TypeOf(c);
        if (type == "image") {
            if (c != submitter)
                continue;
            const std::string prefix = name && !name->empty() ? *name + "." : "";
            fields.emplace_back(prefix + "x", "0");
            fields.emplace_back(prefix + "y", "0");
            continue;
        }
        if (!name || name->empty())
            continue;
        if (type == "submit" || type == "button" || type == "reset") {
            if (c == submitter && type == "submit")
                fields.emplace_back(*name, dom.CurrentValue(c));
            continue;
        }
        if ((type == "checkbox" || type == "radio") && !dom.IsChecked(c))
            continue;
        if (e.tag == "select") {
            if (e.value) {  // set by value without a matching option: nothing selected
                if (!e.value->empty())
                    fields.emplace_back(*name, *e.value);
                continue;
            }
            bool any = false;
            for (int o : e.options) {
                if (dom.elements[o].HasAttr("selected")) {
                    fields.emplace_back(*name, dom.CurrentValue(o));
                    any = true;
                    if (!e.HasAttr("multiple"))
                        break;
                }
            }
            if (!any && !e.HasAttr("multiple") && !e.options.empty())
                fields.emplace_back(*name, dom.CurrentValue(e.options.front()));
            continue;
        }
        if (type == "file") {
            fields.emplace_back(*name, "");
            continue;
        }
        fields.emplace_back(*name, dom.CurrentValue(c));
    }
    return fields;
}

std::optional<Request> FormSubmission(const Dom& dom, int form, int submitter,
                                      std::string_view documentUrl) {
    if (form < 0 || form >= static_cast<int>(dom.elements.size()))
        return std::nullopt;
    const Element& f = dom.elements[form];
    const std::string* action = f.Attr("action");
    std::string url = action && !Trim(*action).empty()
                          ? ResolveUrl(dom.BaseUrl(documentUrl), *action)
                          : std::string(documentUrl);
    if (url.empty() || !ParseAbsoluteUrl(url))
        return std::nullopt;
    const std::string* method = f.Attr("method");
    const std::string data = FormUrlEncode(FormFields(dom, form, submitter));
    Request r;
    if (method && EqualsNoCase(Trim(*method), "post")) {
        r.method = "POST";
        r.url = url;
        r.body = data;
    } else {
        UrlParts parts = *ParseAbsoluteUrl(url);
        parts.query = data;
        r.url = JoinUrl(parts);
    }
    return r;
}

ClickResult Click(Dom& dom, int index, std::string_view documentUrl) {
    if (index < 0 || index >= static_cast<int>(dom.elements.size()))
        return {};
    Element& e = dom.elements[index];
    const std::string base = dom.BaseUrl(documentUrl);
    if (const std::string* onclick = e.Attr("onclick")) {
        if (auto target = WindowOpenLiteral(*onclick, false))
            return Resolved(ClickResult::kNewWindow, ResolveUrl(base, *target));
    }
    if (e.HasAttr("disabled") && e.tag != "a")
        return {};
    const std::string type = dom.TypeOf(index);
    if (type == "checkbox") {
        if (dom.IsChecked(index)) {
            e.RemoveAttr("checked");
        } else {
            e.SetAttr("checked", "checked");
        }
        return {};
    }
    if (type == "radio") {
        const std::string* name = e.Attr("name");
        if (name && e.form >= 0) {
            for (int c : dom.elements[e.form].controls) {
                const std::string* other = dom.elements[c].Attr("name");
                if (c != index && other && *other == *name && dom.TypeOf(c) == "radio")
                    dom.elements[c].RemoveAttr("checked");
            }
        }
        dom.elements[index].SetAttr("checked", "checked");
        return {};
    }
    if (e.tag == "a" || e.tag == "area") {
        const std::string* href = e.Attr("href");
        if (!href)
            return {};
        const std::string trimmed = Trim(*href);
        if (StartsWithNoCase(trimmed, "javascript:")) {
            if (auto target = WindowOpenLiteral(std::string_view(trimmed).substr(11), false))
                return Resolved(ClickResult::kNewWindow, ResolveUrl(base, *target));
            return {};
        }
        std::string url = ResolveUrl(base, trimmed);
        if (url.empty())
            return {};
        const bool newWindow = OpensNewWindow(e);
        if (!newWindow && url.find('#') != std::string::npos && SameDocument(url, documentUrl))
            return {};
        return Resolved(newWindow ? ClickResult::kNewWindow : ClickResult::kNavigate, url);
    }
    const bool submitter = (type == "submit" || type == "image") && e.form >= 0;
    if (submitter || e.tag == "form") {
        const int form = submitter ? e.form : index;
        std::optional<Request> r = FormSubmission(dom, form, submitter ? index : -1, documentUrl);
        if (!r)
            return {};
        ClickResult result;
        result.kind =
            OpensNewWindow(dom.elements[form]) ? ClickResult::kNewWindow : ClickResult::kNavigate;
        result.request = std::move(*r);
        return result;
    }
    return {};
}

std::optional<std::string> WindowOpenLiteral(std::string_view s, bool topLevelOnly) {
    static constexpr std::string_view kCall = "window.open";
    int depth = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"' || c == '\'' || c == '`') {
            size_t j = i + 1;
            while (j < s.size() && s[j] != c && s[j] != '\n') j += s[j] == '\\' ? 2 : 1;
            i = j < s.size() ? j : s.size();
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
            size_t end = s.find('\n', i);
            i = end == std::string_view::npos ? s.size() : end;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            size_t end = s.find("*/", i + 2);
            i = end == std::string_view::npos ? s.size() : end + 1;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (depth > 0)
                --depth;
        } else if (c == 'w' && s.substr(i, kCall.size()) == kCall &&
                   (i == 0 || !IsIdentChar(s[i - 1]) || s.substr(0, i).ends_with("self.") ||
                    s.substr(0, i).ends_with("top."))) {
            size_t j = i + kCall.size();
            while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) ++j;
            if (j >= s.size() || s[j] != '(')
                continue;
            ++j;
            while (j < s.size() && (s[j] == ' ' || s[j] == '\t' || s[j] == '\n' || s[j] == '\r'))
                ++j;
            if (topLevelOnly && depth > 0) {
                i = j - 1;
                continue;
            }
            if (j < s.size() && (s[j] == '"' || s[j] == '\''))
                return ReadLiteral(s, j);
            return std::nullopt;  // the first call's address is not a literal
        }
    }
    return std::nullopt;
}

std::optional<std::string> LoadTimeWindowOpen(const Dom& dom, std::string_view documentUrl) {
    std::optional<std::string> literal;
    for (const std::string& script : dom.scripts) {
        literal = WindowOpenLiteral(script, true);
        if (literal)
            break;
    }
    if (!literal) {
        for (const Element& e : dom.elements) {
            if (e.tag != "body")
                continue;
            if (const std::string* onload = e.Attr("onload"))
                literal = WindowOpenLiteral(*onload, true);
            break;
        }
    }
    if (!literal)
        return std::nullopt;
    std::string url = ResolveUrl(dom.BaseUrl(documentUrl), *literal);
    if (url.empty() || SameDocument(url, documentUrl))
        return std::nullopt;
    return url;
}

}  // namespace lumo::html
