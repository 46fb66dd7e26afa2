#include "updater/update_signature.h"

#include "common/base64.h"
#include "common/ini.h"
#include "common/text.h"

namespace lumo {

UpdateSignatureField ReadUpdateSignature(std::string_view versionFile) {
    UpdateSignatureField field;
    const auto value = IniDoc::Parse(versionFile).Find("version", "signature");
    if (!value)
        return field;
    field.state = UpdateSignatureField::State::Malformed;
    const auto raw = Base64Decode(Trim(*value));
    if (raw && raw->size() == kUpdateSignatureBytes) {
        field.state = UpdateSignatureField::State::Present;
        field.rs = *raw;
    }
    return field;
}

}  // namespace lumo
