#include "common/path.h"

namespace lumo {

namespace {

size_t LastSeparator(std::string_view path) {
    return path.find_last_of("\\/");
}

}  // namespace

std::string FolderOf(std::string_view path) {
    const size_t sep = LastSeparator(path);
    return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string FileNameOf(std::string_view path) {
    const size_t sep = LastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string TitleOf(std::string_view path) {
    const std::string name = FileNameOf(path);
    return name.substr(0, name.find('.'));
}

std::string WithTrailingSeparator(std::string_view folder, char sep) {
    std::string out(folder);
    if (out.empty() || (out.back() != '\\' && out.back() != '/'))
        out += sep;
    return out;
}

}  // namespace lumo
