#include "common/process.h"

#include "common/path.h"
#include "common/text.h"

namespace lumo {

bool ExeNameMatches(std::string_view exeField, std::string_view name) {
    const std::string wanted = AsciiUpper(name);
    return AsciiUpper(FileNameOf(exeField)) == wanted || AsciiUpper(exeField) == wanted;
}

}  // namespace lumo
