// libFuzzer entry for the HTML reader and everything that reads what it
// produces. Built only natively with clang (target fuzz_html); run e.g.
//   fuzz_html -max_total_time=60 -max_len=4096
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "page/html_charset.h"
#include "page/html_dom.h"
#include "page/html_form.h"
#include "page/html_url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumo::html;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Dom dom = ParseHtml(input);
    const int n = static_cast<int>(dom.elements.size());
    for (int i = 0; i < n; ++i) {
        (void)dom.GetAttribute(i, "value");
        (void)Click(dom, i, "http://h/a/b.html?q#f");
    }
    for (int f : dom.forms) (void)FormSubmission(dom, f, -1, "http://h/a/b.html");
    (void)LoadTimeWindowOpen(dom, "http://h/a/b.html");
    (void)ResolveUrl("http://h/a/b?c", input);
    (void)CompleteAddress(input);
    (void)HttpTargetOf(input);
    (void)DetectCodePage(input, input);
    (void)DecodeEntities(input, size % 2 == 0);
    (void)WindowOpenLiteral(input, size % 2 == 1);
    return 0;
}
