// A realistic game list for benchmarks and fill tests: Chinese and Latin
// names, game-server addresses with queries, saved login forms with escaped
// characters, spread over a number of categories in an interleaved order.
#pragma once

#include <random>
#include <string>

#include "common/text.h"
#include "library/game_list.h"

namespace lumo::test {

inline GameLines MakeSampleGames(size_t count, size_t categories = 50, unsigned seed = 4711) {
    static const char* const kTitles[] = {"仙剑奇侠传", "热血三国", "Travian",  "武林英雄",
                                          "神仙道",     "Ikariam",  "七雄争霸", "傲视天地",
                                          "DarkOrbit",  "天书奇谈", "大富翁",   "魔力宝贝"};
    static const char* const kGenres[] = {"策略", "角色扮演", "休闲", "Strategy",
                                          "MMO",  "经营",     "武侠", "战争"};
    std::mt19937 rng(seed);
    auto pick = [&rng](size_t n) { return static_cast<size_t>(rng() % n); };
    GameLines games;
    games.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        auto g = std::make_unique<TGameline>();
        const size_t category = pick(categories);
        g->Folder = std::string(kGenres[category % std::size(kGenres)]) + " " +
                    std::to_string(category + 1) + "区";
        const size_t server = pick(300) + 1;
        g->Name = std::string(kTitles[pick(std::size(kTitles))]) + " - 电信" +
                  std::to_string(server) + "服 #" + std::to_string(i);
        const std::string user = "player" + std::to_string(rng() % 100000);
        g->Address = "http://s" + std::to_string(server) + ".game" + std::to_string(pick(40)) +
                     ".example.com/login.php?from=lumo&uid=" + std::to_string(rng()) +
                     "&ref=%E5%AF%BC%E8%88%AA";
        const std::string password = "p@ss<" + std::to_string(rng() % 10000) + "&\"老虎\"";
        g->Bill =
            "<Forms><Form><FormName>loginForm</FormName><ITEM><EName>username</EName>"
            "<EValue>" +
            EscapeMarkup(user) + "</EValue></ITEM><ITEM><EName>password</EName><EValue>" +
            EscapeMarkup(password) + "</EValue></ITEM><ITEM><EName>server</EName><EValue>" +
            std::to_string(server) +
            "</EValue></ITEM><ITEM><EName>btnLogin</EName>"
            "<EValue>LumoSubmitButton.Click</EValue></ITEM></Form></Forms>";
        games.push_back(std::move(g));
    }
    return games;
}

}  // namespace lumo::test
