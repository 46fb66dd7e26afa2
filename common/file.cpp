#include "common/file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace lumo {

namespace fs = std::filesystem;

namespace {

// UTF-8 text to a path; on Windows the path holds UTF-16, so non-ASCII names
// reach the file system intact.
fs::path ToPath(const std::string& utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

}  // namespace

std::optional<std::string> ReadFileBytes(const std::string& path) {
    std::ifstream in(ToPath(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    return WriteFileAtomic(path, bytes);
}

void RemoveStaleTempFiles(const std::string& path) {
    const fs::path target = ToPath(path);
    const std::u8string prefix = target.filename().u8string() + u8".tmp";
    std::error_code ec;
    fs::directory_iterator it(target.parent_path().empty() ? fs::path(".") : target.parent_path(),
                              ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (it->path().filename().u8string().starts_with(prefix)) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

bool RenameFile(const std::string& from, const std::string& to) {
    std::error_code ec;
    const fs::path target = ToPath(to);
    if (fs::exists(target, ec) || ec)
        return false;
    fs::rename(ToPath(from), target, ec);
    return !ec;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(ToPath(path), ec);
}

bool FolderExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(ToPath(path), ec);
}

bool CreateFolders(const std::string& path) {
    std::error_code ec;
    const fs::path folder = ToPath(path);
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

}  // namespace lumo
