// Addresses from pages and from the address box: resolving links, typed
// addresses, the WinInet split, form encoding, and the address box's and
// search box's rules. Input: "<base address>\n<reference or typed text>";
// without a line break the base is a fixed page address.
#include "common/text.h"
#include "fuzz/fuzz_check.h"
#include "mainwindow/address_rules.h"
#include "page/html_url.h"

using namespace lumo;
using namespace lumo::html;

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string FormUrlDecode(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%') {
            FUZZ_CHECK(i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0);
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// An address the reader produced: it splits and joins back to itself, and
// resolving it again (against any base) changes nothing.
void CheckResolved(const std::string& url, std::string_view base) {
    if (url.empty())
        return;
    std::optional<UrlParts> parts = ParseAbsoluteUrl(url);
    FUZZ_CHECK(parts.has_value());
    FUZZ_CHECK(JoinUrl(*parts) == url);
    FUZZ_CHECK(ResolveUrl(base, url) == url);
    FUZZ_CHECK(ResolveUrl("about:blank", url) == url);
    FUZZ_CHECK(SameDocument(url, WithoutFragment(url)));
    if (std::optional<HttpTarget> target = HttpTargetOf(url)) {
        FUZZ_CHECK(!target->host.empty());
        FUZZ_CHECK(target->port > 0 && target->port <= 65535);
        FUZZ_CHECK(!target->pathAndQuery.empty() && target->pathAndQuery[0] == '/');
        FUZZ_CHECK(target->pathAndQuery.find('#') == std::string::npos);
    }
}

void AddressBox(const std::string& text, const std::string& active) {
    const SearchEndpoint engine;
    for (bool empty : {false, true}) {
        const GoDecision go = DecideGo(text, empty, engine);
        if (go.kind == GoDecision::Kind::Navigate) {
            FUZZ_CHECK(!go.address.empty() && go.boxText == go.address);
            FUZZ_CHECK(go.addToHistory && go.openInNewPage == empty);
        }
        if (go.kind == GoDecision::Kind::Keyword)
            FUZZ_CHECK(go.address.starts_with(engine.origin));
    }
    const SearchDecision search = DecideSearch(text, active, engine);
    if (!search.stop)
        FUZZ_CHECK(search.url.starts_with(engine.SearchBaseAddress()));
    for (auto mods : {EnterModifiers::None, EnterModifiers::Ctrl, EnterModifiers::Alt,
                      EnterModifiers::Shift, EnterModifiers::Other})
        (void)CompleteOnEnter(text, mods);
    const std::string display = DisplayAddress(text);
    FUZZ_CHECK(display.size() <= text.size());
    // The template is scanned once: a keyword holding the placeholder stays.
    FUZZ_CHECK(FillKeywordTemplate("a KEYWORD_ b", text) == "a " + text + " b");
    FUZZ_CHECK(FillKeywordTemplate(text, "").size() <= text.size());
    std::vector<std::string> history;
    FUZZ_CHECK(AddTypedAddress(history, text) == !TrimView(text).empty());
    FUZZ_CHECK(!AddTypedAddress(history, text));
    (void)HasNoKnownScheme(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::AsText(data, size);
    const size_t eol = input.find('\n');
    std::string base = "http://game.example/a/b/page.html?x=1#f";
    std::string reference(input);
    if (eol != std::string_view::npos) {
        // The base as a page address would be: itself already resolved.
        const std::string given = ResolveUrl("about:blank", input.substr(0, eol));
        if (!given.empty())
            base = given;
        reference = std::string(input.substr(eol + 1));
    }

    CheckResolved(base, base);
    const std::string resolved = ResolveUrl(base, reference);
    CheckResolved(resolved, base);
    const std::string completed = CompleteAddress(reference);
    FUZZ_CHECK(completed.empty() == TrimView(reference).empty());
    if (!completed.empty())
        FUZZ_CHECK(ParseAbsoluteUrl(completed).has_value());
    (void)HttpTargetOf(reference);
    (void)IsAboutUrl(reference);
    (void)RemoveDotSegments(reference);

    const std::string encoded = FormUrlEncode(reference);
    FUZZ_CHECK(encoded.find_first_of("&=# ") == std::string::npos);
    FUZZ_CHECK(FormUrlDecode(encoded) == reference);

    AddressBox(reference, base);
    return 0;
}
