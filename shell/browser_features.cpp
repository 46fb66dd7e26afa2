#include "shell/browser_features.h"

namespace lumo {

std::optional<uint32_t> FeatureValueToWrite(std::optional<uint32_t> current,
                                            std::optional<uint32_t> ours, uint32_t wanted) {
    if (current && (!ours || *current != *ours))
        return std::nullopt;  // not ours: the user's (or another installation's)
    if (current == wanted)
        return std::nullopt;
    return wanted;
}

}  // namespace lumo
