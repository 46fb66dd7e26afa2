// Which role a Lumo process plays, and the page-process command line.
//
// A page process is started as
//   "<exe>" "<shell window>" "<address>" "<cookie folder>" "<bill>"
// and the role test is on argument 3 (the cookie folder): non-empty means a
// page process, anything else the shell. Arguments are quoted so that any
// address or bill survives (quotes and backslashes included). A page that
// has no cookie folder of its own (the per-user cookie-folder value could not
// be redirected) gets kNoCookieFolder as argument 3, so it still starts as a
// page; it reads as an empty folder. When the line
// would be too long for CreateProcess, or the bill holds a double quote, the
// address and bill travel in a hand-over file instead: arguments 2 and 4 stay empty and argument 5
// is
// "/handover:" + path; the page reads the file and deletes it. A page that
// goes through a proxy gets one more argument, "/proxy:" + the proxy in its
// checked form (protocol/proxy.h), after any hand-over argument.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

enum class ProcessRole { Shell, Page };

inline constexpr char kNoCookieFolder[] = "-";

// `args` as CommandLineToArgvW gives them, argument 0 being the program.
ProcessRole ChooseRole(const std::vector<std::string>& args);

// Argument 1 of a page process: a decimal window handle; 0 when it is not a
// number (or out of range).
uint64_t ParseWindowHandleArg(std::string_view arg);

struct PageLaunch {
    std::string exe;           // full path of the executable
    uint64_t shellWindow = 0;  // the main window's handle
    std::string address;
    std::string cookieFolder;
    std::string bill;
    std::string proxy;  // checked (NormalizeProxy); "" for none
};

inline constexpr std::string_view kHandoverSwitch = "/handover:";
inline constexpr std::string_view kProxySwitch = "/proxy:";

struct PageCommandLine {
    std::string line;
    // When set, the caller writes `handoverBody` to this file before the start.
    std::string handoverPath;
    std::string handoverBody;
};

// Builds the command line; when it would be too long, moves address and
// bill into a hand-over file at `handoverPath`. nullopt when even that line
// does not fit (an absurd executable path or cookie folder).
std::optional<PageCommandLine> BuildPageCommandLine(const PageLaunch& launch,
                                                    const std::string& handoverPath);

// What a page process reads from its arguments (and hand-over file).
struct PageArgs {
    uint64_t shellWindow = 0;
    bool hasShellArg = false;  // argument 1 was given (not empty)
    std::string address;
    std::string cookieFolder;
    std::string bill;
    std::string handoverPath;  // empty when none was used
    // The proxy every request of the page goes through ("" for none), and
    // whether a proxy argument was given that is no proxy: such a page
    // must not load anything rather than go out directly.
    std::string proxy;
    bool badProxy = false;
};

PageArgs ParsePageArgs(const std::vector<std::string>& args);

// Hand-over files live in one folder of the program, "<program folder>handover\",
// and are named "page-<n>.handover". A page deletes the file it read only
// when its path is exactly of that form: the command line can carry outside
// text, and a page must never delete a file somebody else named.
std::string HandoverFolder(const std::string& programFolder);
std::string HandoverPath(const std::string& programFolder, uint64_t number);
bool IsOwnHandoverPath(const std::string& programFolder, std::string_view path);

// Hand-over file body: length-prefixed address and bill ("<n>:<bytes>" twice).
std::string EncodeHandover(std::string_view address, std::string_view bill);
bool DecodeHandover(std::string_view body, std::string& address, std::string& bill);

}  // namespace lumo
