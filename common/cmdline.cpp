#include "common/cmdline.h"

#include "common/text.h"

namespace lumo {

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string QuoteArg(std::string_view arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string_view::npos) {
        return std::string(arg);
    }
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            // Every backslash in front of a quote is escaped, then the quote.
            out.append(2 * backslashes + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    // Backslashes before the closing quote must not escape it.
    out.append(2 * backslashes, '\\');
    out += '"';
    return out;
}

std::optional<std::string> BuildCommandLine(std::string_view program,
                                            const std::vector<std::string>& args) {
    if (program.find('"') != std::string_view::npos)
        return std::nullopt;
    std::string line = "\"";
    line += program;
    line += '"';
    for (const std::string& arg : args) {
        line += ' ';
        line += QuoteArg(arg);
    }
    if (Utf8ToUtf16(line).size() + 1 > kMaxCommandLineUnits)
        return std::nullopt;
    return line;
}

std::vector<std::string> SplitCommandLine(std::string_view cmdline) {
    // All characters with a meaning here are ASCII, so the UTF-8 bytes can be
    // scanned directly: no lead or trail byte of UTF-8 is below 0x80.
    std::vector<std::string> argv;
    size_t pos = 0;
    const size_t n = cmdline.size();

    // Argument 0, the program: a leading quote runs to the next quote, with
    // no escapes; otherwise it runs up to the first blank or tab.
    std::string program;
    if (n > 0 && cmdline[0] == '"') {
        pos = 1;
        while (pos < n && cmdline[pos] != '"') program += cmdline[pos++];
        if (pos < n)
            ++pos;  // the closing quote
    } else {
        while (pos < n && !IsSeparator(cmdline[pos])) program += cmdline[pos++];
    }
    argv.push_back(std::move(program));

    while (pos < n && IsSeparator(cmdline[pos])) ++pos;
    if (pos >= n)
        return argv;

    // The other arguments. `quotes` counts the quote characters of the
    // current run (the opening quote of a quoted part included), modulo 3:
    // 0 = outside quotes, 1 = inside. Within a run of consecutive quotes
    // every third one is a literal quote and the run's end decides whether
    // the quoted part stays open.
    std::string current;
    int quotes = 0;
    size_t backslashes = 0;
    while (pos < n) {
        const char c = cmdline[pos];
        if (IsSeparator(c) && quotes == 0) {
            argv.push_back(std::move(current));
            current.clear();
            backslashes = 0;
            while (pos < n && IsSeparator(cmdline[pos])) ++pos;
            if (pos >= n)
                return argv;
            continue;
        }
        if (c == '\\') {
            current += c;
            ++backslashes;
            ++pos;
            continue;
        }
        if (c == '"') {
            // The backslashes copied so far are halved; an odd one out
            // escapes this quote.
            current.resize(current.size() - backslashes / 2);
            if (backslashes % 2 == 1) {
                current.back() = '"';
            } else {
                ++quotes;
            }
            backslashes = 0;
            ++pos;
            while (pos < n && cmdline[pos] == '"') {
                if (++quotes == 3) {
                    current += '"';
                    quotes = 0;
                }
                ++pos;
            }
            if (quotes == 2)
                quotes = 0;
            continue;
        }
        current += c;
        backslashes = 0;
        ++pos;
    }
    argv.push_back(std::move(current));
    return argv;
}

}  // namespace lumo
