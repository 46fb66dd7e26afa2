// A loaded page: its charset, the HTML reader and everything that reads
// what it produces (values, clicks, form submissions, the load-time
// window.open). Input: the page's bytes; when it starts with a line
// "Content-Type: ...", that line is the header the server sent.
#include "common/text.h"
#include "fuzz/fuzz_check.h"
#include "page/html_charset.h"
#include "page/html_dom.h"
#include "page/html_form.h"
#include "page/html_url.h"

using namespace lumo;
using namespace lumo::html;

namespace {

constexpr std::string_view kDocument = "http://game.example/login/index.html?from=lumo#top";

void CheckRequest(const Request& r) {
    FUZZ_CHECK(!r.url.empty());
    FUZZ_CHECK(ParseAbsoluteUrl(r.url).has_value());
    FUZZ_CHECK(r.method == "GET" || r.method == "POST");
    FUZZ_CHECK(r.IsPost() || r.body.empty());
}

// Indexes in range, forms own their controls, list boxes their options.
void CheckConsistent(const Dom& dom) {
    const int n = static_cast<int>(dom.elements.size());
    int lastForm = -1;
    for (int f : dom.forms) {
        FUZZ_CHECK(f > lastForm && f < n);
        lastForm = f;
        FUZZ_CHECK(dom.elements[f].tag == "form");
        int last = f;
        for (int c : dom.elements[f].controls) {
            FUZZ_CHECK(c > last && c < n);
            last = c;
            FUZZ_CHECK(dom.elements[c].form == f);
        }
    }
    for (int i = 0; i < n; ++i) {
        const Element& e = dom.elements[i];
        FUZZ_CHECK(!e.tag.empty());
        FUZZ_CHECK(e.form < i && e.select < i);
        if (e.form >= 0)
            FUZZ_CHECK(dom.elements[e.form].tag == "form");
        for (int o : e.options) FUZZ_CHECK(o > i && o < n && dom.elements[o].select == i);
        for (size_t a = 0; a < e.attributes.size(); ++a) {
            FUZZ_CHECK(AsciiLower(e.attributes[a].first) == e.attributes[a].first);
            for (size_t b = 0; b < a; ++b)
                FUZZ_CHECK(e.attributes[a].first != e.attributes[b].first);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view page = fuzz::AsText(data, size);
    std::string_view contentType;
    if (StartsWithNoCase(page, "Content-Type:")) {
        const size_t eol = page.find('\n');
        contentType = page.substr(13, eol == std::string_view::npos ? page.size() : eol - 13);
        page.remove_prefix(eol == std::string_view::npos ? page.size() : eol + 1);
    }

    // The charset, and the page as the engine reads it: UTF-8.
    const int codePage = DetectCodePage(contentType, page);
    FUZZ_CHECK(codePage != 0);
    std::string utf8;
    if (codePage == kCodePageUtf8) {
        utf8 = std::string(page);
    } else if (codePage == kCodePageLatin1) {
        utf8 = Latin1ToUtf8(page);
        FUZZ_CHECK(IsValidUtf8(utf8));
    } else {
        utf8 = AnsiToUtf8(page);
        FUZZ_CHECK(IsValidUtf8(utf8));
    }
    const bool valid = IsValidUtf8(utf8);
    (void)CodePageOfCharset(CharsetOfContentType(contentType));

    // References only add valid UTF-8.
    for (bool inAttribute : {false, true}) {
        const std::string decoded = DecodeEntities(utf8, inAttribute);
        if (valid)
            FUZZ_CHECK(IsValidUtf8(decoded));
    }

    Dom dom = ParseHtml(utf8);
    CheckConsistent(dom);
    if (valid) {
        FUZZ_CHECK(IsValidUtf8(dom.title));
        for (const Element& e : dom.elements) FUZZ_CHECK(IsValidUtf8(e.text));
    }
    const int n = static_cast<int>(dom.elements.size());
    for (int i = 0; i < n; ++i) {
        (void)dom.GetAttribute(i, "VALUE");
        (void)dom.CurrentValue(i);
        (void)dom.TypeOf(i);
    }
    for (int f : dom.forms) {
        if (std::optional<Request> r = FormSubmission(dom, f, -1, kDocument))
            CheckRequest(*r);
        // Filling in the login form as the bill replay does.
        for (int c : dom.elements[f].controls) dom.SetAttribute(c, "value", "user & <pass>");
    }
    // Clicks change check boxes and option buttons, so the clicks come last.
    for (int i = 0; i < n && i < 256; ++i) {
        const ClickResult click = Click(dom, i, kDocument);
        if (click.kind != ClickResult::kNothing)
            CheckRequest(click.request);
    }
    CheckConsistent(dom);
    if (std::optional<std::string> open = LoadTimeWindowOpen(dom, kDocument)) {
        FUZZ_CHECK(ParseAbsoluteUrl(*open).has_value());
        FUZZ_CHECK(!SameDocument(*open, kDocument));
    }
    for (const std::string& script : dom.scripts) (void)WindowOpenLiteral(script, false);
    if (!dom.forms.empty())
        (void)FormFields(dom, dom.forms.front(), n - 1);
    return 0;
}
