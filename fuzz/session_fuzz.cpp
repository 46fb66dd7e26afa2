// Session.dat as found on disk (possibly damaged). Input: the file's bytes.
// What reads must be written back to the same bytes' meaning: formatting
// the tabs read and reading that again gives the same tabs, and formatting
// those gives the same text; tabs made of any values survive the round trip.
#include "fuzz/fuzz_check.h"
#include "shell/session_file.h"

using namespace lumo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(fuzz::AsText(data, size));
    if (auto tabs = ParseSession(file)) {
        FUZZ_CHECK(tabs->size() <= kMaxSessionTabs);
        const std::string text = FormatSession(*tabs);
        FUZZ_CHECK(ParseSession(text) == tabs);
    }
    const std::vector<std::string> values = fuzz::Split(file, '\n');
    std::vector<SessionTab> made;
    for (size_t i = 0; i + 2 < values.size() && made.size() < kMaxSessionTabs; i += 3)
        made.push_back({values[i], values[i + 1], values[i + 2]});
    const std::string text = FormatSession(made);
    FUZZ_CHECK(ParseSession(text) == made);
    return 0;
}
