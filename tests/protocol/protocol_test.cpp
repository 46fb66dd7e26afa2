// Text commands, roles and the page-process command line.
#include <gtest/gtest.h>

#include "common/cmdline.h"
#include "protocol/text_command.h"
#include "protocol/proxy.h"
#include "protocol/roles.h"

using namespace lumo;

TEST(TextCommand, PrefixesMatchInOrderWithoutRegardToCase) {
    struct Case {
        const char* text;
        TextCommandKind kind;
        const char* arg;
    } cases[] = {
        {"NT:http://a/b", TextCommandKind::NewTab, "http://a/b"},
        {"nt:http://a/b", TextCommandKind::NewTab, "http://a/b"},
        {"nNt:x", TextCommandKind::NewTabAlias, "x"},
        {"Tc:游戏大厅", TextCommandKind::Title, "游戏大厅"},
        {"url:", TextCommandKind::Url, ""},
        {"SBI:", TextCommandKind::SaveBill, ""},
        {"sbi:<Forms></Forms>", TextCommandKind::SaveBill, "<Forms></Forms>"},
        {"FILL:a=1", TextCommandKind::FillBill, "a=1"},
        {"", TextCommandKind::None, ""},
        {"NT", TextCommandKind::None, ""},
        {" NT:x", TextCommandKind::None, ""},
        {"XYZ:1", TextCommandKind::None, ""},
    };
    for (const Case& c : cases) {
        TextCommand cmd = ParseTextCommand(c.text);
        EXPECT_EQ(cmd.kind, c.kind) << c.text;
        EXPECT_EQ(cmd.arg, c.arg) << c.text;
    }
    // The argument keeps everything behind the prefix, blanks and colons too.
    EXPECT_EQ(ParseTextCommand("URL: http://x:80/ ").arg, " http://x:80/ ");
}

TEST(TextCommand, DecodingIsBoundedAndDropsMalformedPayloads) {
    std::string wire = EncodeTextCommand("TC:游戏 😀");
    ASSERT_EQ(wire.back(), '\0');
    EXPECT_EQ(DecodeTextCommand(kUtf8Tag, wire.data(), wire.size()), "TC:游戏 😀");

    // No terminator: the text ends with the data.
    std::string bare = "URL:http://a";
    EXPECT_EQ(DecodeTextCommand(kUtf8Tag, bare.data(), bare.size()), bare);
    // A zero inside ends the text.
    std::string early("NT:a\0garbage", 12);
    EXPECT_EQ(DecodeTextCommand(kUtf8Tag, early.data(), early.size()), "NT:a");
    // Empty payloads are an empty text; a null pointer with a size is not.
    EXPECT_EQ(DecodeTextCommand(kUtf8Tag, nullptr, 0), "");
    EXPECT_FALSE(DecodeTextCommand(kUtf8Tag, nullptr, 5));
    // Invalid UTF-8 under our tag is dropped, never passed on.
    for (std::string bad : {std::string("TC:\xC3"), std::string("TC:\xC0\x80"),
                            std::string("TC:\xED\xA0\x80"), std::string("\xFF\xFE")}) {
        EXPECT_FALSE(DecodeTextCommand(kUtf8Tag, bad.data(), bad.size())) << bad;
    }
    // Oversized payloads are not text commands.
    std::string huge(kMaxTextCommandBytes + 1, 'a');
    EXPECT_FALSE(DecodeTextCommand(kUtf8Tag, huge.data(), huge.size()));
    // The classic form is ANSI (GBK) text.
    std::string gbk = "TC:\xD6\xD0\xCE\xC4";
    gbk.push_back('\0');
    EXPECT_EQ(DecodeTextCommand(0, gbk.data(), gbk.size()), "TC:中文");
}

TEST(Roles, ArgumentThreeDecides) {
    EXPECT_EQ(ChooseRole({"Lumo.exe"}), ProcessRole::Shell);
    EXPECT_EQ(ChooseRole({"Lumo.exe", "http://a"}), ProcessRole::Shell);
    EXPECT_EQ(ChooseRole({"Lumo.exe", "123", "http://a", ""}), ProcessRole::Shell);
    EXPECT_EQ(ChooseRole({"Lumo.exe", "123", "http://a", "", "bill"}), ProcessRole::Shell);
    EXPECT_EQ(ChooseRole({"Lumo.exe", "123", "http://a", "C:\\cookies\\Temp5", ""}),
              ProcessRole::Page);
    EXPECT_EQ(ChooseRole({"Lumo.exe", "", "", "x"}), ProcessRole::Page);
    // A page without a cookie folder of its own is still a page.
    std::vector<std::string> noFolder{"Lumo.exe", "12", "http://a", kNoCookieFolder, ""};
    EXPECT_EQ(ChooseRole(noFolder), ProcessRole::Page);
    EXPECT_EQ(ParsePageArgs(noFolder).cookieFolder, "");
}

TEST(Roles, WindowHandleArgument) {
    EXPECT_EQ(ParseWindowHandleArg("132456"), 132456u);
    EXPECT_EQ(ParseWindowHandleArg(" 77 "), 77u);
    EXPECT_EQ(ParseWindowHandleArg("0x10"), 0u);
    EXPECT_EQ(ParseWindowHandleArg("12ab"), 0u);
    EXPECT_EQ(ParseWindowHandleArg("-5"), 0u);
    EXPECT_EQ(ParseWindowHandleArg(""), 0u);
    EXPECT_EQ(ParseWindowHandleArg("99999999999999999999999"), 0u);
    // Handles are 32-bit: a wider number is no handle, not its low half.
    EXPECT_EQ(ParseWindowHandleArg("4294967295"), 4294967295u);
    EXPECT_EQ(ParseWindowHandleArg("4294967296"), 0u);
    EXPECT_EQ(ParseWindowHandleArg("4295032833"), 0u);  // 0x1'0001'0001
}

TEST(Roles, PageCommandLineCarriesAnyAddressAndBill) {
    PageLaunch launch{"C:\\Program Files\\Lumo\\Lumo.exe",
                      65738,
                      "http://game/login?a=\"1\"&b=\\",
                      "C:\\Program Files\\Lumo\\cookies\\Temp7",
                      "<Forms><Form><FormName>q\\</FormName></Form></Forms>",
                      ""};
    auto cmd = BuildPageCommandLine(launch, "C:\\h.txt");
    ASSERT_TRUE(cmd);
    EXPECT_TRUE(cmd->handoverPath.empty());
    PageArgs page = ParsePageArgs(SplitCommandLine(cmd->line));
    EXPECT_EQ(page.shellWindow, 65738u);
    EXPECT_EQ(page.address, launch.address);
    EXPECT_EQ(page.cookieFolder, launch.cookieFolder);
    EXPECT_EQ(page.bill, launch.bill);
    EXPECT_TRUE(page.handoverPath.empty());
    EXPECT_EQ(ChooseRole(SplitCommandLine(cmd->line)), ProcessRole::Page);

    // An empty bill is an empty pair of quotes: still a page process.
    launch.bill.clear();
    cmd = BuildPageCommandLine(launch, "C:\\h.txt");
    ASSERT_TRUE(cmd);
    EXPECT_NE(cmd->line.find(" \"\""), std::string::npos);
    EXPECT_EQ(ParsePageArgs(SplitCommandLine(cmd->line)).bill, "");
}

TEST(Roles, OverlongOrQuotedBillTravelsInTheHandoverFile) {
    for (const std::string& given :
         {std::string(40000, 'x') + "end",
          std::string("<Forms><Form><FormName>\"q\"</FormName></Form></Forms>")}) {
        PageLaunch launch{"C:\\Lumo\\Lumo.exe",       10,    "http://game/",
                          "C:\\Lumo\\cookies\\Temp3", given, ""};
        auto cmd = BuildPageCommandLine(launch, "C:\\Lumo\\cookies\\Temp3.handover");
        ASSERT_TRUE(cmd);
        EXPECT_EQ(cmd->line.find("FormName"), std::string::npos);
        EXPECT_EQ(cmd->handoverPath, "C:\\Lumo\\cookies\\Temp3.handover");
        auto args = SplitCommandLine(cmd->line);
        EXPECT_EQ(ChooseRole(args), ProcessRole::Page);
        PageArgs page = ParsePageArgs(args);
        EXPECT_EQ(page.handoverPath, cmd->handoverPath);
        std::string address, bill;
        ASSERT_TRUE(DecodeHandover(cmd->handoverBody, address, bill));
        EXPECT_EQ(address, launch.address);
        EXPECT_EQ(bill, launch.bill);
    }
}

// A proxy reaches the page's command line only in its checked form; the
// page reads it behind every other argument, also beside a hand-over file,
// and a proxy argument that is no proxy is reported, never dropped.
TEST(Roles, ProxyIsCheckedAndRidesBehindTheOtherArguments) {
    struct Case {
        const char* text;
        const char* normal;  // nullptr: refused
    } cases[] = {
        {"", ""},
        {"  ", ""},
        {" 127.0.0.1:8080\t", "127.0.0.1:8080"},
        {"proxy-1.lan:65535", "proxy-1.lan:65535"},
        {"SOCKS=h:1080", "socks=h:1080"},
        {"[::1]:3128", "[::1]:3128"},
        {"h:0", nullptr},
        {"h:65536", nullptr},
        {"h:80x", nullptr},
        {"h", nullptr},
        {":80", nullptr},
        {"a b:80", nullptr},
        {"h\":80", nullptr},
        {"h:80\" /x", nullptr},
        {"http=h:80", nullptr},
        {"h:80;direct", nullptr},
        {"h\x01:80", nullptr},
        {"socks=", nullptr},
        {"-h:80", nullptr},
        {"[::1:80", nullptr},
    };
    for (const Case& c : cases) {
        std::optional<std::string> got = NormalizeProxy(c.text);
        if (c.normal) {
            EXPECT_EQ(got, std::optional<std::string>(c.normal)) << c.text;
        } else {
            EXPECT_FALSE(got) << c.text;
        }
    }

    for (const std::string& bill : {std::string("b"), std::string("\"q\"")}) {
        PageLaunch launch{"C:\\Lumo\\Lumo.exe", 10, "http://game/", "C:\\c", bill, " socks=h:1080"};
        auto cmd = BuildPageCommandLine(launch, "C:\\h.txt");
        ASSERT_TRUE(cmd);
        PageArgs page = ParsePageArgs(SplitCommandLine(cmd->line));
        EXPECT_EQ(page.proxy, "socks=h:1080");
        EXPECT_FALSE(page.badProxy);
        EXPECT_EQ(page.handoverPath.empty(), bill == "b");
    }
    PageLaunch bad{"C:\\Lumo\\Lumo.exe", 10, "http://game/", "C:\\c", "", "h:80 /x"};
    EXPECT_FALSE(BuildPageCommandLine(bad, "C:\\h.txt"));

    for (std::vector<std::string> args :
         {std::vector<std::string>{"x", "1", "a", "c", "b", "/proxy:h:99999"},
          {"x", "1", "a", "c", "b", "/proxy:"},
          {"x", "1", "a", "c", "b", "/proxy:h:1", "/proxy:g:2"}}) {
        PageArgs page = ParsePageArgs(args);
        EXPECT_TRUE(page.badProxy) << args.back();
        EXPECT_EQ(page.proxy, "");
    }
    EXPECT_FALSE(ParsePageArgs({"x", "1", "a", "c", "b"}).badProxy);
}

TEST(Roles, HandoverBodyRejectsDamage) {
    std::string a, b;
    EXPECT_TRUE(DecodeHandover(EncodeHandover("", ""), a, b));
    EXPECT_TRUE(DecodeHandover(EncodeHandover("1:2", "3:"), a, b));
    EXPECT_EQ(a, "1:2");
    EXPECT_EQ(b, "3:");
    for (const char* bad : {"", "5:abc", "x:1:a", "1:a", "1:a1:bextra", "99999999999:a0:"})
        EXPECT_FALSE(DecodeHandover(bad, a, b)) << bad;
}

TEST(Roles, OnlyOwnHandoverFilesAreDeleted) {
    const std::string folder = "C:\\Games\\Lumo\\";
    EXPECT_EQ(HandoverPath(folder, 42), "C:\\Games\\Lumo\\handover\\page-42.handover");
    EXPECT_TRUE(IsOwnHandoverPath(folder, HandoverPath(folder, 42)));
    EXPECT_TRUE(IsOwnHandoverPath(folder, "c:\\games\\lumo\\HANDOVER\\page-7.handover"));
    for (const char* bad : {
             "C:\\Windows\\system.ini",
             "C:\\Games\\Lumo\\handover\\",
             "C:\\Games\\Lumo\\handover\\page-.handover",
             "C:\\Games\\Lumo\\handover\\page-1x.handover",
             "C:\\Games\\Lumo\\handover\\..\\UserData\\gList.dat",
             "C:\\Games\\Lumo\\handover\\page-1.handover\\..\\..\\x",
             "C:\\Games\\Lumo\\handover\\sub\\page-1.handover",
             "C:\\Games\\Lumo\\cookies\\Temp1.handover",
             "\\\\server\\share\\page-1.handover",
         })
        EXPECT_FALSE(IsOwnHandoverPath(folder, bad)) << bad;
    EXPECT_FALSE(IsOwnHandoverPath("", "handover\\page-1.handover"));
}
