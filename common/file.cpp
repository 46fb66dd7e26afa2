#include "common/file.h"

#include <atomic>
#include <chrono>
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

// A name for the temporary file beside `target` that no other writer uses:
// time and a per-process counter.
fs::path TempPathFor(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path temp = target;
    temp += ".tmp" + std::to_string(ticks) + "-" + std::to_string(counter++);
    return temp;
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
    const fs::path target = ToPath(path);
    const fs::path temp = TempPathFor(target);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            return false;
        }
    }
    // rename replaces an existing file (on Windows through MoveFileEx with
    // MOVEFILE_REPLACE_EXISTING); should it still fail, drop the old file
    // and try once more.
    std::error_code ec;
    fs::rename(temp, target, ec);
    std::error_code statusEc;
    if (ec && fs::is_regular_file(target, statusEc)) {
        fs::remove(target, statusEc);
        fs::rename(temp, target, ec);
    }
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
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
