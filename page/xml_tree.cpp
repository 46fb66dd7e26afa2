#include "page/xml_tree.h"

#include <cstdint>

#include "page/html_dom.h"

namespace lumo {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameChar(char c) {
    return !IsSpace(c) && c != '<' && c != '>' && c != '/' && c != '=' && c != '"' && c != '\'' &&
           c != '&' && c != '?' && c != '!';
}

class Reader {
  public:
    explicit Reader(std::string_view s) : s_(s) {}

    std::optional<XmlNode> Document() {
        if (s_.starts_with("\xEF\xBB\xBF"))
            pos_ = 3;
        if (!SkipMisc())
            return std::nullopt;
        XmlNode root;
        if (!At('<') || !Element(root, 1))
            return std::nullopt;
        if (!SkipMisc() || pos_ != s_.size())
            return std::nullopt;
        return root;
    }

  private:
    bool At(char c) const { return pos_ < s_.size() && s_[pos_] == c; }
    bool AtText(std::string_view t) const { return s_.substr(pos_).starts_with(t); }
    void SkipSpace() {
        while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
    }
    // Moves past the next `end`; false when there is none.
    bool SkipPast(std::string_view end) {
        const size_t at = s_.find(end, pos_);
        if (at == std::string_view::npos)
            return false;
        pos_ = at + end.size();
        return true;
    }

    // White space, comments and processing instructions outside the root.
    bool SkipMisc() {
        for (;;) {
            SkipSpace();
            if (AtText("<?")) {
                if (!SkipPast("?>"))
                    return false;
            } else if (AtText("<!--")) {
                if (!SkipPast("-->"))
                    return false;
            } else {
                return !AtText("<!");  // a document type declaration
            }
        }
    }

    std::string Name() {
        const size_t start = pos_;
        while (pos_ < s_.size() && IsNameChar(s_[pos_])) ++pos_;
        return std::string(s_.substr(start, pos_ - start));
    }

    // Attributes into `node`; a name given twice is not well-formed.
    bool Attributes(XmlNode& node) {
        for (;;) {
            SkipSpace();
            if (At('>') || At('/'))
                return true;
            std::string name = Name();
            if (name.empty() || node.Attribute(name))
                return false;
            SkipSpace();
            if (!At('='))
                return false;
            ++pos_;
            SkipSpace();
            if (!At('"') && !At('\''))
                return false;
            const char quote = s_[pos_++];
            std::string value;
            for (;;) {
                if (pos_ >= s_.size() || At('<'))
                    return false;
                const char c = s_[pos_];
                if (c == quote)
                    break;
                ++pos_;
                if (c != '&')
                    value += c;
                else if (!Reference(value))
                    return false;
            }
            ++pos_;
            node.attributes.emplace_back(std::move(name), std::move(value));
        }
    }

    // A reference after '&', appended to `out`.
    bool Reference(std::string& out) {
        const size_t semi = s_.find(';', pos_);
        if (semi == std::string_view::npos || semi - pos_ > 12)
            return false;
        const std::string_view ref = s_.substr(pos_, semi - pos_);
        pos_ = semi + 1;
        if (ref == "amp")
            out += '&';
        else if (ref == "lt")
            out += '<';
        else if (ref == "gt")
            out += '>';
        else if (ref == "quot")
            out += '"';
        else if (ref == "apos")
            out += '\'';
        else if (ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty())
                return false;
            std::uint32_t cp = 0;
            for (char c : digits) {
                int d = c >= '0' && c <= '9'          ? c - '0'
                        : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                      : -1;
                if (d < 0)
                    return false;
                cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
                if (cp > 0x10FFFF)
                    return false;
            }
            if (cp == 0)
                return false;
            html::AppendUtf8(out, cp);
        } else {
            return false;
        }
        return true;
    }

    // An element starting at '<'.
    bool Element(XmlNode& node, int depth) {
        if (depth > kMaxXmlDepth)
            return false;
        ++pos_;
        node.name = Name();
        if (node.name.empty() || !Attributes(node))
            return false;
        if (At('/')) {
            ++pos_;
            if (!At('>'))
                return false;
            ++pos_;
            return true;
        }
        ++pos_;  // '>'
        std::string text;
        for (;;) {
            if (pos_ >= s_.size())
                return false;
            const char c = s_[pos_];
            if (AtText("</")) {
                pos_ += 2;
                if (Name() != node.name)
                    return false;
                SkipSpace();
                if (!At('>'))
                    return false;
                ++pos_;
                break;
            }
            if (AtText("<!--")) {
                if (!SkipPast("-->"))
                    return false;
            } else if (AtText("<![CDATA[")) {
                const size_t start = pos_ + 9;
                if (!SkipPast("]]>"))
                    return false;
                text.append(s_.substr(start, pos_ - 3 - start));
            } else if (AtText("<?")) {
                if (!SkipPast("?>"))
                    return false;
            } else if (c == '<') {
                node.children.emplace_back();
                if (!Element(node.children.back(), depth + 1))
                    return false;
            } else if (c == '&') {
                ++pos_;
                if (!Reference(text))
                    return false;
            } else {
                text += c;
                ++pos_;
            }
        }
        if (node.children.empty())
            node.text = std::move(text);
        return true;
    }

    std::string_view s_;
    size_t pos_ = 0;
};

}  // namespace

const std::string* XmlNode::Attribute(std::string_view attribute) const {
    for (const auto& [n, v] : attributes)
        if (n == attribute)
            return &v;
    return nullptr;
}

std::optional<XmlNode> ReadXmlTree(std::string_view text) {
    return Reader(text).Document();
}

}  // namespace lumo
