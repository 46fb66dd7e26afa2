// What every fuzz target shares: a check that stops the run with a message
// (libFuzzer keeps the input that broke it), and splitting an input into the
// several texts a reader takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

namespace lumo::fuzz {

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The parts of `text` between `separator` bytes; at least `min` parts (the
// missing ones empty).
inline std::vector<std::string> Split(std::string_view text, char separator, std::size_t min = 0) {
    std::vector<std::string> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.emplace_back(text.substr(0, at));
        if (at == std::string_view::npos)
            break;
        text.remove_prefix(at + 1);
    }
    while (parts.size() < min) parts.emplace_back();
    return parts;
}

}  // namespace lumo::fuzz
