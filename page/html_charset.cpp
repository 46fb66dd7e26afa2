#include "page/html_charset.h"

#include "common/text.h"
#include "page/html_dom.h"

namespace lumo::html {
namespace {

// The value of `name=` inside a parameter list such as a Content-Type.
std::string ParameterValue(std::string_view text, std::string_view name) {
    const std::string lower = AsciiLower(text);
    size_t pos = 0;
    while ((pos = lower.find(name, pos)) != std::string::npos) {
        const bool starts =
            pos == 0 || lower[pos - 1] == ';' || lower[pos - 1] == ' ' || lower[pos - 1] == '\t';
        size_t j = pos + name.size();
        while (j < lower.size() && lower[j] == ' ') ++j;
        if (!starts || j >= lower.size() || lower[j] != '=') {
            pos += name.size();
            continue;
        }
        ++j;
        while (j < lower.size() && lower[j] == ' ') ++j;
        if (j < lower.size() && (lower[j] == '"' || lower[j] == '\'')) {
            const char q = lower[j];
            size_t end = lower.find(q, j + 1);
            return lower.substr(j + 1, end == std::string::npos ? std::string::npos : end - j - 1);
        }
        size_t end = lower.find_first_of("; \t", j);
        return lower.substr(j, end == std::string::npos ? std::string::npos : end - j);
    }
    return "";
}

}  // namespace

std::string CharsetOfContentType(std::string_view contentType) {
    return Trim(ParameterValue(contentType, "charset"));
}

std::string CharsetOfMeta(std::string_view page) {
    const Dom dom = ParseHtml(page.substr(0, 4096));
    for (const Element& e : dom.elements) {
        if (e.tag != "meta")
            continue;
        if (const std::string* cs = e.Attr("charset"))
            return AsciiLower(Trim(*cs));
        const std::string* equiv = e.Attr("http-equiv");
        const std::string* content = e.Attr("content");
        if (equiv && content && EqualsNoCase(Trim(*equiv), "content-type")) {
            std::string cs = CharsetOfContentType(*content);
            if (!cs.empty())
                return cs;
        }
    }
    return "";
}

int CodePageOfCharset(std::string_view label) {
    const std::string l = AsciiLower(Trim(label));
    if (l == "utf-8" || l == "utf8" || l == "unicode-1-1-utf-8")
        return kCodePageUtf8;
    if (l == "gbk" || l == "gb2312" || l == "gb_2312-80" || l == "x-gbk" || l == "gb18030" ||
        l == "cp936" || l == "windows-936" || l == "chinese" || l == "csgb2312" ||
        l == "iso-ir-58" || l == "euc-cn")
        return kCodePageGbk;
    if (l == "big5" || l == "big5-hkscs" || l == "cn-big5" || l == "x-x-big5")
        return 950;
    if (l == "iso-8859-1" || l == "latin1" || l == "l1" || l == "us-ascii" || l == "ascii" ||
        l == "windows-1252" || l == "cp1252" || l == "iso8859-1" || l == "iso_8859-1")
        return kCodePageLatin1;
    return 0;
}

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t len;
        std::uint32_t cp;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + len > s.size())
            return false;
        for (size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

int DetectCodePage(std::string_view contentType, std::string_view page) {
    if (page.starts_with("\xEF\xBB\xBF"))
        return kCodePageUtf8;
    if (int cp = CodePageOfCharset(CharsetOfContentType(contentType)))
        return cp;
    if (int cp = CodePageOfCharset(CharsetOfMeta(page)))
        return cp;
    return IsValidUtf8(page) ? kCodePageUtf8 : kCodePageGbk;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    static constexpr std::uint16_t kC1[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            AppendUtf8(out, b < 0xA0 ? kC1[b - 0x80] : b);
        }
    }
    return out;
}

}  // namespace lumo::html
