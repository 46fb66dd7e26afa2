#include "common/error.h"

namespace lumo {

std::string SystemErrorText(std::uint32_t) {
    return {};
}

}  // namespace lumo
