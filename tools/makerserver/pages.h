// The HTML and INI texts served by the maker server. Pages are UTF-8 with
// lower-case tags and double-quoted attributes; `base` is the server's own
// "http://127.0.0.1:PORT" for absolute links.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace makerserver {

std::string IndexPage(std::string_view base);
std::string FaqPage();
std::string BoxPage(std::string_view base);

std::string LoginPage(std::string_view error);  // error: empty for none
std::string LobbyPage(std::string_view account);
std::string PopupPage();
std::string AutoPopupPage();
std::string PopupTargetPage(std::string_view account);  // account: "-" for none

// Apache's page for status 404 (the updater recognises it by its wording).
std::string NotFoundPage(std::string_view path);
// An error page served with 200 in place of the update file (UTF-8).
std::string UpdateErrorPage();

// "[ADList]" with Count and L1..Ln.
std::string StartPageList(const std::vector<std::string>& addresses);
// "[version]" with version and ImagePath.
std::string VersionFile(std::string_view version, std::string_view imagePath);
// A maintenance page without a "[version]" section.
std::string VersionMaintenancePage();

// UTF-8 text of the IP-to-city page around the given address.
std::string Ip2CityPage(std::string_view address);

}  // namespace makerserver
