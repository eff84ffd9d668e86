#include "core/platform.h"

#include <chrono>
#include <cstdio>
#include <system_error>

namespace trelvo {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& p) {
    std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

char PathSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    char last = folder.back();
    if (last == '/' || last == PathSeparator()) return folder + name;
    return folder + PathSeparator() + name;
}

std::string FollowLinks(const std::string& utf8Path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = PathFromUtf8(utf8Path);
    for (int hops = 0; hops < 40 && fs::is_symlink(p, ec); ++hops) {
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) break;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return PathToUtf8(p);
}

bool FileExists(const std::string& utf8Path) {
    if (utf8Path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(PathFromUtf8(utf8Path), ec);
}

bool FolderWritable(const std::string& utf8Folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(PathFromUtf8(utf8Folder.empty() ? "." : utf8Folder), ec)) return false;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string probe = JoinPath(utf8Folder, ".trelvo5-write-test-" + std::to_string(stamp));
    std::FILE* f = OpenFile(probe, "wb");
    if (!f) return false;
    std::fclose(f);
    std::filesystem::remove(PathFromUtf8(probe), ec);
    return true;
}

}  // namespace trelvo
