// Login pages as real web sites serve them, for the saved-login tests: a
// search form before the login form, a <button> without id, name or type, a
// script's button (type button) as the only one, an image button, a
// per-visit security token, three forms on one page, labels and fields in a
// table. Each posts to /real/login?case=NAME, which logs the account in the
// demo game's way (LUMOACCT cookie, then the lobby) when user and pass are
// given and the page's token, if it has one, is the one this visitor was
// served. Every form request is recorded for /_real/requests.
#include <string>

#include "tools/makerserver/maker_server.h"
#include "tools/makerserver/text_util.h"

namespace makerserver {
namespace {

constexpr char kPageType[] = "text/html; charset=utf-8";
constexpr char kVisitCookie[] = "REALSID";

std::string Page(std::string_view title, std::string_view body) {
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           HtmlEscape(title) + "</title>\n</head>\n<body>\n" + std::string(body) +
           "</body>\n</html>\n";
}

std::string LoginAction(std::string_view name) {
    return "action=\"/real/login?case=" + std::string(name) + "\" method=\"post\"";
}

constexpr char kSearchForm[] =
    "<form action=\"/real/search\" method=\"get\"><input type=\"text\" name=\"q\" "
    "placeholder=\"搜索\"><input type=\"submit\" name=\"go\" value=\"搜索\"></form>\n";

// The body of model page `name` ("" when there is none); `token` is the
// visitor's security token.
std::string ModelBody(std::string_view name, std::string_view token) {
    const std::string action = LoginAction(name);
    const std::string fields =
        "<p>帐号：<input type=\"text\" name=\"user\"></p>\n"
        "<p>密码：<input type=\"password\" name=\"pass\"></p>\n";
    if (name == "search-first")
        return std::string(kSearchForm) + "<form " + action + ">\n" + fields +
               "<p><button type=\"submit\">登录</button></p>\n</form>\n";
    if (name == "bare-button")
        return "<form " + action + ">\n" + fields + "<p><button>登录</button></p>\n</form>\n";
    if (name == "script-button")
        return "<form " + action + ">\n" + fields +
               "<p><button type=\"button\" onclick=\"this.form.submit()\">登录</button></p>\n"
               "</form>\n";
    if (name == "image-button")
        return "<form " + action + ">\n" + fields +
               "<p><input type=\"image\" src=\"/real/login.png\" alt=\"登录\"></p>\n</form>\n";
    if (name == "token")
        return "<form " + action + ">\n<input type=\"hidden\" name=\"csrf\" value=\"" +
               HtmlEscape(token) + "\">\n<input type=\"hidden\" name=\"tz\" value=\"\">\n" +
               fields + "<p><input type=\"submit\" name=\"login\" value=\"登录\"></p>\n</form>\n";
    if (name == "three-forms")
        return "<form action=\"/real/lang\" method=\"get\"><select name=\"lang\">"
               "<option value=\"zh\">中文</option><option value=\"en\">English</option>"
               "</select></form>\n"
               "<form action=\"/real/search\" method=\"get\"><input type=\"text\" name=\"q\">"
               "<input type=\"submit\" value=\"搜索\"></form>\n"
               "<form name=\"login\" " +
               action + ">\n" + fields +
               "<p><label><input type=\"checkbox\" name=\"remember\" value=\"1\">记住我</label>"
               "</p>\n<p><input type=\"submit\" id=\"btnLogin\" value=\"登录\"></p>\n</form>\n";
    if (name == "table")
        return "<table class=\"login\">\n<form " + action +
               ">\n"
               "<tr><td><label for=\"u\">帐号</label></td><td><input id=\"u\" name=\"user\">"
               "</td></tr>\n"
               "<tr><td><label for=\"p\">密码</label></td><td><input id=\"p\" type=\"password\" "
               "name=\"pass\"></td></tr>\n"
               "<tr><td colspan=\"2\"><input type=\"submit\" value=\"登录\"></td></tr>\n"
               "</form>\n</table>\n" +
               kSearchForm;
    return "";
}

}  // namespace

void MakerServer::LoginModelRoutes() {
    using httplib::Request;
    using httplib::Response;

    http_.Get(R"(/real/([a-z-]+)\.html)", [this](const Request& req, Response& res) {
        const std::string name = req.matches[1];
        std::string visit = ParseCookieHeader(req.get_header_value("Cookie"))[kVisitCookie];
        std::string token;
        {
            std::lock_guard lock(mu_);
            if (visit.empty()) {
                visit = NewTokenLocked();
                res.set_header("Set-Cookie", std::string(kVisitCookie) + "=" + visit + "; path=/");
            }
            token = NewTokenLocked().substr(0, 12);
            models_.tokens[visit] = token;
        }
        const std::string body = ModelBody(name, token);
        if (body.empty()) {
            res.status = 404;
            return;
        }
        res.set_content(Page("登录 - " + name, "<h1>登录</h1>\n" + body), kPageType);
    });
    auto record = [this](const Request& req, const std::string& verdict) {
        std::lock_guard lock(mu_);
        models_.requests.push_back(req.method + "\t" + req.target + "\t" + req.body + "\t" +
                                   verdict);
    };
    http_.Get("/real/search", [record](const Request& req, Response& res) {
        record(req, "search");
        res.set_content(Page("搜索", "<p>搜索结果</p>\n"), kPageType);
    });
    http_.Get("/real/lang", [record](const Request& req, Response& res) {
        record(req, "lang");
        res.set_content(Page("语言", "<p>语言</p>\n"), kPageType);
    });
    http_.Post("/real/login", [this, record](const Request& req, Response& res) {
        const std::string user = req.get_param_value("user");
        const bool filled = !user.empty() && !req.get_param_value("pass").empty();
        bool tokenOk = true;
        if (req.has_param("csrf")) {
            const std::string visit =
                ParseCookieHeader(req.get_header_value("Cookie"))[kVisitCookie];
            std::lock_guard lock(mu_);
            auto it = models_.tokens.find(visit);
            tokenOk = it != models_.tokens.end() && it->second == req.get_param_value("csrf");
        }
        const std::string verdict = !filled    ? "refused: no login"
                                    : !tokenOk ? "refused: token"
                                               : "ok " + user;
        record(req, verdict);
        if (verdict != "ok " + user) {
            res.set_content(Page("登录失败", "<p id=\"error\">" + verdict + "</p>\n"), kPageType);
            return;
        }
        res.set_header("Set-Cookie", "LUMOACCT=" + PercentEncode(user) + "; path=/");
        res.set_redirect("/game/lobby.html", 302);
    });
    http_.Get("/_real/requests", [this](const Request&, Response& res) {
        std::string text;
        {
            std::lock_guard lock(mu_);
            for (const std::string& line : models_.requests) text += line + "\n";
        }
        res.set_content(text, "text/plain; charset=utf-8");
    });
    http_.Get("/_real/clear", [this](const Request&, Response& res) {
        {
            std::lock_guard lock(mu_);
            models_.requests.clear();
        }
        res.set_content("ok\n", "text/plain");
    });
}

}  // namespace makerserver
