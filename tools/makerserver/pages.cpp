#include "tools/makerserver/pages.h"

#include "tools/makerserver/text_util.h"

namespace makerserver {
namespace {

std::string Html(std::string_view title, std::string_view body) {
    std::string out;
    out += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
    out += HtmlEscape(title);
    out += "</title>\n</head>\n<body>\n";
    out += body;
    out += "</body>\n</html>\n";
    return out;
}

}  // namespace

std::string IndexPage(std::string_view base) {
    const std::string b(base);
    std::string body = "<h1>本地游戏服务器</h1>\n<ul>\n";
    body += "<li><a href=\"" + b + "/game/login.html\">游戏登录</a></li>\n";
    body += "<li><a href=\"" + b + "/box.html\">热门游戏</a></li>\n";
    body += "<li><a href=\"" + b + "/faq.html\">帮助</a></li>\n";
    body += "</ul>\n";
    return Html("本地游戏服务器", body);
}

std::string FaqPage() {
    return Html("帮助中心",
                "<h1>帮助中心</h1>\n"
                "<p id=\"faq1\">问：如何同时登录多个帐号？</p>\n"
                "<p id=\"answer1\">答：每个标签页使用独立的Cookie，分别登录即可。</p>\n"
                "<p><a href=\"/game/login.html\">返回游戏登录</a></p>\n");
}

std::string BoxPage(std::string_view base) {
    const std::string b(base);
    std::string body = "<h1>热门游戏</h1>\n<ul id=\"hotGames\">\n";
    body += "<li><a id=\"game1\" href=\"" + b + "/game/login.html\" target=\"_blank\">";
    body += "演示游戏</a></li>\n";
    body += "<li><a id=\"game2\" href=\"" + b + "/game/login.html?server=2\" target=\"_blank\">";
    body += "演示游戏二区</a></li>\n";
    body += "<li><a id=\"game3\" href=\"" + b + "/faq.html\" target=\"_blank\">新手帮助</a></li>\n";
    body += "</ul>\n";
    return Html("热门游戏", body);
}

std::string LoginPage(std::string_view error) {
    std::string body = "<h1>游戏登录</h1>\n";
    if (!error.empty()) {
        body += "<p id=\"error\" class=\"error\">" + HtmlEscape(error) + "</p>\n";
    }
    body +=
        "<form name=\"loginForm\" id=\"loginForm\" action=\"/game/login\" method=\"post\">\n"
        "<p>帐号：<input type=\"text\" name=\"username\" id=\"username\"></p>\n"
        "<p>密码：<input type=\"password\" name=\"password\" id=\"password\"></p>\n"
        "<p><input type=\"submit\" id=\"btnLogin\" name=\"btnLogin\" value=\"登录\"></p>\n"
        "</form>\n";
    return Html("游戏登录", body);
}

std::string LobbyPage(std::string_view account) {
    std::string body = "<h1>游戏大厅</h1>\n";
    body += "<p>当前帐号：<span id=\"account\">" + HtmlEscape(account) + "</span></p>\n";
    body += "<p><a id=\"linkPopupTarget\" href=\"/game/popup-target.html\" target=\"_blank\">";
    body += "活动页（新窗口）</a></p>\n";
    body += "<p><a id=\"linkPopupPage\" href=\"/game/popup.html\">弹出窗口测试</a></p>\n";
    body += "<p><a id=\"linkLogout\" href=\"/game/logout\">退出登录</a></p>\n";
    return Html("游戏大厅 - " + std::string(account), body);
}

std::string PopupPage() {
    return Html(
        "弹出窗口测试",
        "<h1>弹出窗口测试</h1>\n"
        "<p><a id=\"linkBlank\" href=\"/game/popup-target.html\" "
        "target=\"_blank\">新窗口链接</a></p>\n"
        "<p><a id=\"linkScript\" href=\"#\" onclick=\"window.open('/game/popup-target.html'); "
        "return false;\">脚本打开新窗口</a></p>\n"
        "<script>function openTarget() { window.open('/game/popup-target.html'); }</script>\n");
}

// A page that opens a window as soon as it loads, as game sites do for
// announcements.
std::string AutoPopupPage() {
    return Html("公告",
                "<h1>公告</h1>\n<script>window.open('/game/popup-target.html');</script>\n");
}

std::string PopupTargetPage(std::string_view account) {
    std::string body = "<h1>活动页</h1>\n";
    body += "<p>当前帐号：<span id=\"account\">" + HtmlEscape(account) + "</span></p>\n";
    return Html("活动页 - " + std::string(account), body);
}

std::string NotFoundPage(std::string_view path) {
    std::string page =
        "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n"
        "<html><head>\n"
        "<title>404 Not Found</title>\n"
        "</head><body>\n"
        "<h1>Not Found</h1>\n";
    page += "<p>The requested URL " + HtmlEscape(path) + " was not found on this server.</p>\n";
    page +=
        "<hr>\n"
        "<address>Apache/2.2.22 (Win32) Server at 127.0.0.1 Port 80</address>\n"
        "</body></html>\n";
    return page;
}

std::string StartPageList(const std::vector<std::string>& addresses) {
    std::string out = "[ADList]\r\nCount=" + std::to_string(addresses.size()) + "\r\n";
    for (size_t i = 0; i < addresses.size(); ++i) {
        out += "L" + std::to_string(i + 1) + "=" + addresses[i] + "\r\n";
    }
    return out;
}

std::string VersionFile(std::string_view version, std::string_view imagePath) {
    return "[version]\r\nversion=" + std::string(version) +
           "\r\nImagePath=" + std::string(imagePath) + "\r\n";
}

std::string UpdateErrorPage() {
    return "<html>\r\n<head><title>出错了</title></head>\r\n"
           "<body><h1>文件暂时无法下载</h1><p>请稍后再试。</p></body>\r\n</html>\r\n";
}

std::string VersionMaintenancePage() {
    return "<html>\r\n<head><title>系统维护</title></head>\r\n"
           "<body><p>服务器维护中，请稍后再试。</p></body>\r\n</html>\r\n";
}

std::string Ip2CityPage(std::string_view address) {
    std::string page =
        "<html>\r\n<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n"
        "<title>IP查询</title>\r\n</head>\r\n<body>\r\n";
    page += "您的IP是：[" + std::string(address) + "] 来自：本机\r\n";
    page += "</body>\r\n</html>\r\n";
    return page;
}

}  // namespace makerserver
