// A page process's command line and hand-over file. Input: the fields of a
// page start separated by zero bytes: executable, address, cookie folder,
// bill, then free texts read as a window-handle argument, a hand-over file
// body, a path a page might be asked to delete and a proxy.
#include "common/cmdline.h"
#include "fuzz/fuzz_check.h"
#include "protocol/proxy.h"
#include "protocol/roles.h"

using namespace lumo;

namespace {

constexpr char kProgramFolder[] = "C:\\Games\\Lumo\\";

void CheckHandover(const std::string& body) {
    std::string address, bill;
    if (!DecodeHandover(body, address, bill))
        return;
    std::string address2, bill2;
    FUZZ_CHECK(DecodeHandover(EncodeHandover(address, bill), address2, bill2));
    FUZZ_CHECK(address2 == address && bill2 == bill);
    FUZZ_CHECK(address.size() + bill.size() < body.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> f = fuzz::Split(fuzz::AsText(data, size), '\0', 8);

    for (const std::string& arg : f) FUZZ_CHECK(ParseWindowHandleArg(arg) <= 0xFFFFFFFFu);
    CheckHandover(f[5]);
    if (IsOwnHandoverPath(kProgramFolder, f[6])) {
        // Only "<folder>handover\page-<digits>.handover": nothing that leaves the folder.
        FUZZ_CHECK(f[6].find('/') == std::string::npos);
        FUZZ_CHECK(f[6].find("..") == std::string::npos);
        FUZZ_CHECK(f[6].find('\\', sizeof kProgramFolder + 8) == std::string::npos);
    }

    // Whatever the fields, a page reads back what the shell started it with.
    PageLaunch launch;
    launch.exe = f[0];
    launch.shellWindow = ParseWindowHandleArg(f[4]);
    launch.address = f[1];
    launch.cookieFolder = f[2].empty() ? kNoCookieFolder : f[2];
    launch.bill = f[3];
    launch.proxy = f[7];
    // A proxy that is no proxy never reaches a command line; a checked one
    // has no blank, quote or control character left.
    const std::optional<std::string> proxy = NormalizeProxy(f[7]);
    if (proxy)
        FUZZ_CHECK(proxy->find_first_of(" \t\"\r\n\0;", 0, 7) == std::string::npos);
    const std::string handover = HandoverPath(kProgramFolder, size);
    FUZZ_CHECK(IsOwnHandoverPath(kProgramFolder, handover));
    const std::optional<PageCommandLine> line = BuildPageCommandLine(launch, handover);
    if (!f[7].empty() && (!proxy || proxy->empty()))
        FUZZ_CHECK(!line);
    if (!line)
        return 0;
    const std::vector<std::string> args = SplitCommandLine(line->line);
    FUZZ_CHECK(ChooseRole(args) == ProcessRole::Page);
    FUZZ_CHECK(args[0] == launch.exe);
    const PageArgs page = ParsePageArgs(args);
    FUZZ_CHECK(page.hasShellArg);
    FUZZ_CHECK(page.shellWindow == launch.shellWindow);
    FUZZ_CHECK(page.cookieFolder == (f[2] == kNoCookieFolder ? "" : f[2]));
    FUZZ_CHECK(!page.badProxy && page.proxy == proxy.value_or(""));
    if (line->handoverPath.empty()) {
        FUZZ_CHECK(page.handoverPath.empty());
        FUZZ_CHECK(page.address == launch.address && page.bill == launch.bill);
    } else {
        FUZZ_CHECK(page.handoverPath == handover && line->handoverPath == handover);
        FUZZ_CHECK(page.address.empty() && page.bill.empty());
        std::string address, bill;
        FUZZ_CHECK(DecodeHandover(line->handoverBody, address, bill));
        FUZZ_CHECK(address == launch.address && bill == launch.bill);
    }
    return 0;
}
