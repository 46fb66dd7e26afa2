#include "page/html_url.h"

#include "common/text.h"

namespace lumo::html {
namespace {

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the scheme of `s` ("http" of "http://..."), 0 when it has none.
size_t SchemeLength(std::string_view s) {
    if (s.empty() || !IsAlpha(s[0]))
        return 0;
    for (size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == ':')
            return i;
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.')
            return 0;
    }
    return 0;
}

// Drops tabs and line breaks, trims blanks and control bytes, and
// percent-encodes blanks, controls and non-ASCII bytes.
std::string CleanReference(std::string_view ref) {
    ref = TrimView(ref);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : ref) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\t' || c == '\n' || c == '\r')
            continue;
        if (b <= 0x20 || b >= 0x7F || c == '"' || c == '<' || c == '>') {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

// Splits the part after "scheme:" into authority, path, query and fragment.
void SplitRest(std::string_view rest, UrlParts& parts) {
    if (size_t hash = rest.find('#'); hash != std::string_view::npos) {
        parts.fragment = std::string(rest.substr(hash + 1));
        rest = rest.substr(0, hash);
    }
    if (size_t q = rest.find('?'); q != std::string_view::npos) {
        parts.query = std::string(rest.substr(q + 1));
        rest = rest.substr(0, q);
    }
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            slash = rest.size();
        parts.authority = std::string(rest.substr(0, slash));
        rest = rest.substr(slash);
    }
    parts.path = std::string(rest);
}

// The authority with its host (and port) lowered; a login before '@' keeps
// its case, as a password must.
std::string LowerHost(std::string_view authority) {
    const size_t at = authority.rfind('@');
    const size_t host = at == std::string_view::npos ? 0 : at + 1;
    return std::string(authority.substr(0, host)) + AsciiLower(authority.substr(host));
}

bool IsHierarchical(const UrlParts& p) {
    return p.authority.has_value() || p.path.starts_with("/");
}

}  // namespace

std::optional<UrlParts> ParseAbsoluteUrl(std::string_view url) {
    const size_t n = SchemeLength(url);
    if (n == 0)
        return std::nullopt;
    UrlParts parts;
    parts.scheme = AsciiLower(url.substr(0, n));
    SplitRest(url.substr(n + 1), parts);
    return parts;
}

std::string JoinUrl(const UrlParts& p) {
    std::string out = p.scheme + ":";
    if (p.authority)
        out += "//" + *p.authority;
    else if (p.path.starts_with("//"))
        out += "/.";  // else the path's first segment would read as a host
    out += p.path;
    if (p.query)
        out += "?" + *p.query;
    if (p.fragment)
        out += "#" + *p.fragment;
    return out;
}

std::string RemoveDotSegments(std::string_view in) {
    std::string input(in);
    std::string out;
    size_t i = 0;
    while (i < input.size()) {
        std::string_view rest = std::string_view(input).substr(i);
        if (rest.starts_with("../")) {
            i += 3;
        } else if (rest.starts_with("./")) {
            i += 2;
        } else if (rest.starts_with("/./")) {
            i += 2;
        } else if (rest == "/.") {
            input.replace(i, 2, "/");
        } else if (rest.starts_with("/../") || rest == "/..") {
            if (rest == "/..") {
                input.replace(i, 3, "/");
            } else {
                i += 3;
            }
            size_t cut = out.rfind('/');
            out.erase(cut == std::string::npos ? 0 : cut);
        } else if (rest == "." || rest == "..") {
            i = input.size();
        } else {
            size_t next = input.find('/', i + (rest[0] == '/' ? 1 : 0));
            if (next == std::string::npos)
                next = input.size();
            out.append(input, i, next - i);
            i = next;
        }
    }
    return out;
}

std::string ResolveUrl(std::string_view baseText, std::string_view reference) {
    const std::string ref = CleanReference(reference);
    if (SchemeLength(ref) > 0) {
        UrlParts r = *ParseAbsoluteUrl(ref);
        if (IsHierarchical(r))
            r.path = RemoveDotSegments(r.path);
        if ((r.scheme == "http" || r.scheme == "https") && r.authority) {
            r.authority = LowerHost(*r.authority);
            if (r.path.empty())
                r.path = "/";
        }
        return JoinUrl(r);
    }
    std::optional<UrlParts> base = ParseAbsoluteUrl(baseText);
    if (!base || !IsHierarchical(*base))
        return "";
    UrlParts t;
    t.scheme = base->scheme;
    UrlParts r;
    SplitRest(ref, r);
    if (r.authority) {
        t.authority = r.authority;
        t.path = RemoveDotSegments(r.path);
        t.query = r.query;
    } else {
        t.authority = base->authority;
        if (r.path.empty()) {
            t.path = base->path;
            t.query = r.query ? r.query : base->query;
        } else {
            if (r.path.starts_with("/")) {
                t.path = RemoveDotSegments(r.path);
            } else {
                std::string merged;
                if (base->authority && base->path.empty()) {
                    merged = "/" + r.path;
                } else {
                    size_t slash = base->path.rfind('/');
                    merged = (slash == std::string::npos ? "" : base->path.substr(0, slash + 1)) +
                             r.path;
                }
                t.path = RemoveDotSegments(merged);
            }
            t.query = r.query;
        }
    }
    t.fragment = r.fragment;
    // As for an absolute reference: "//Host/x" names the same host as "http://host/x".
    if ((t.scheme == "http" || t.scheme == "https") && t.authority)
        t.authority = LowerHost(*t.authority);
    if ((t.scheme == "http" || t.scheme == "https") && t.path.empty())
        t.path = "/";
    return JoinUrl(t);
}

std::string WithoutFragment(std::string_view url) {
    return std::string(url.substr(0, url.find('#')));
}

bool SameDocument(std::string_view a, std::string_view b) {
    return WithoutFragment(a) == WithoutFragment(b);
}

bool IsAboutUrl(std::string_view url) {
    return StartsWithNoCase(TrimView(url), "about:");
}

std::string CompleteAddress(std::string_view typed) {
    std::string s = Trim(typed);
    if (s.empty())
        return s;
    const size_t n = SchemeLength(s);
    bool hasScheme = false;
    if (n > 0) {
        const std::string scheme = AsciiLower(std::string_view(s).substr(0, n));
        // "localhost:8080/x" is a host and port, not a scheme.
        hasScheme = std::string_view(s).substr(n + 1).starts_with("//") || scheme == "about" ||
                    scheme == "javascript" || scheme == "mailto" || scheme == "file" ||
                    scheme == "res" || scheme == "data";
    }
    if (!hasScheme)
        s = "http://" + s;
    std::string resolved = ResolveUrl("", s);
    return resolved.empty() ? s : resolved;
}

std::optional<HttpTarget> HttpTargetOf(std::string_view url) {
    std::optional<UrlParts> p = ParseAbsoluteUrl(url);
    if (!p || !p->authority || (p->scheme != "http" && p->scheme != "https"))
        return std::nullopt;
    HttpTarget t;
    t.secure = p->scheme == "https";
    t.port = t.secure ? 443 : 80;
    std::string_view hostPort = *p->authority;
    if (size_t at = hostPort.rfind('@'); at != std::string_view::npos)
        hostPort.remove_prefix(at + 1);
    std::string_view portText;
    if (hostPort.starts_with("[")) {
        size_t close = hostPort.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        t.host = std::string(hostPort.substr(1, close - 1));
        std::string_view after = hostPort.substr(close + 1);
        if (after.starts_with(":"))
            portText = after.substr(1);
    } else {
        size_t colon = hostPort.rfind(':');
        t.host = std::string(hostPort.substr(0, colon));
        if (colon != std::string_view::npos)
            portText = hostPort.substr(colon + 1);
    }
    if (t.host.empty())
        return std::nullopt;
    if (!portText.empty()) {
        if (portText.size() > 5)
            return std::nullopt;
        int port = 0;
        for (char c : portText) {
            if (!IsDigit(c))
                return std::nullopt;
            port = port * 10 + (c - '0');
        }
        if (port <= 0 || port > 65535)
            return std::nullopt;
        t.port = port;
    }
    t.pathAndQuery = p->path.empty() ? "/" : p->path;
    if (p->query)
        t.pathAndQuery += "?" + *p->query;
    return t;
}

std::string FormUrlEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (IsAlpha(c) || IsDigit(c) || c == '*' || c == '-' || c == '.' || c == '_') {
            out += c;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

std::string FormUrlEncode(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string out;
    for (const auto& [name, value] : fields) {
        if (!out.empty())
            out += '&';
        out += FormUrlEncode(name) + "=" + FormUrlEncode(value);
    }
    return out;
}

}  // namespace lumo::html
