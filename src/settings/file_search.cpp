#include "settings/file_search.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/platform.h"
#include "text/chars.h"

namespace fs = std::filesystem;

namespace trelvo::settings {
namespace {

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

bool HasFolderPart(const std::string& name) {
    return name.find('/') != std::string::npos || name.find('\\') != std::string::npos;
}

}  // namespace

std::string ResolvePathNoCase(const std::string& path) {
    if (path.empty()) return {};
    fs::path p = PathFromUtf8(path);
#ifdef _WIN32
    // The file system ignores case, so the path exists as typed; the names are still looked up
    // so that messages show them as they are on disk.
    constexpr bool kCaseBlind = true;
#else
    constexpr bool kCaseBlind = false;
    if (Exists(p)) return path;
#endif
    fs::path resolved = p.root_path();  // empty for a relative path
    for (const fs::path& part : p.relative_path()) {
        fs::path next = resolved.empty() ? part : resolved / part;
        if (part != "." && part != ".." && (kCaseBlind || !Exists(next))) {
            // Not there as written (or, where case is ignored, to learn the name on disk): the
            // entry that matches without regard to case; of several, the first in byte order,
            // so that the answer never depends on the folder's order.
            const std::string want = PathToUtf8(part);
            const fs::path dir = resolved.empty() ? fs::path(".") : resolved;
            std::string best;
            std::error_code ec;
            for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
                std::string have = PathToUtf8(it->path().filename());
                if (text::EqualsNoCase(have, want) && (best.empty() || have < best)) best = std::move(have);
            }
            if (!best.empty())
                next = resolved.empty() ? PathFromUtf8(best) : resolved / PathFromUtf8(best);
            else if (!(kCaseBlind && Exists(next)))
                return {};
        }
        resolved = next;
    }
    return PathToUtf8(resolved);
}

std::string SearchFilePath(const std::string& name, const std::string& programFolder) {
    if (name.empty()) return {};
    // Split at the first dot and join again: the pieces the platform call is handed.
    std::size_t dot = name.find('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    std::string whole = base + ext;

    auto check = [](const std::string& candidate) -> std::string {
        std::string r = ResolvePathNoCase(candidate);
        if (r.empty()) return {};
        std::error_code ec;
        fs::path abs = fs::absolute(PathFromUtf8(r), ec);
        return ec ? r : PathToUtf8(abs.lexically_normal());
    };

    if (HasFolderPart(whole) || PathFromUtf8(whole).is_absolute()) return check(whole);

    std::vector<std::string> dirs{programFolder, "."};
    if (const std::optional<std::string> envPath = EnvironmentUtf8("PATH")) {
#ifdef _WIN32
        const char sep = ';';
#else
        const char sep = ':';
#endif
        for (const std::string& d : text::Split(*envPath, sep))
            if (!d.empty()) dirs.push_back(d);
    }
    for (const std::string& d : dirs) {
        if (d.empty()) continue;
        std::string r = check(JoinPath(d, whole));
        if (!r.empty()) return r;
    }
    return {};
}

}  // namespace trelvo::settings
