// Building and splitting Windows command lines. The rules are those of
// CommandLineToArgvW (and the C runtime): an argument is quoted when it is
// empty or holds blanks, tabs or quotes; backslashes are doubled only in front
// of a quote. Texts are UTF-8; limits count UTF-16 units as Windows does.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

// CreateProcess takes at most 32767 UTF-16 units including the terminator.
inline constexpr size_t kMaxCommandLineUnits = 32767;

// One argument, quoted so that the splitter gives it back unchanged.
std::string QuoteArg(std::string_view arg);

// "program" arg1 arg2 ...; the program path is quoted without escapes.
// nullopt when the line would exceed the limit or the program path holds a
// quote (it could not be split back).
std::optional<std::string> BuildCommandLine(std::string_view program,
                                            const std::vector<std::string>& args);

// Splits as CommandLineToArgvW does, argument 0 included. Within a run of
// quotes every third one is a literal quote; "" inside a quoted part gives a
// literal quote and ends the quoted part. An empty line gives one empty
// argument (where the system would put the executable's path).
std::vector<std::string> SplitCommandLine(std::string_view cmdline);

}  // namespace lumo
