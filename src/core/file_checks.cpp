#include "core/file_checks.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/errors.h"
#include "core/platform.h"

namespace trelvo {
namespace {

namespace fs = std::filesystem;

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

fs::path Resolved(const std::string& p, std::error_code& ec) {
    const fs::path abs = fs::absolute(PathFromUtf8(p), ec);
    return ec ? fs::path() : fs::weakly_canonical(abs, ec);
}

Message Role(const CommandFile& f) {
    return f.roleMessage.empty() ? Message("cli.text").Arg("text", f.role) : f.roleMessage;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    const fs::path pa = PathFromUtf8(a), pb = PathFromUtf8(b);
    const bool ea = fs::exists(pa, ec), eb = fs::exists(pb, ec);
    if (ea && eb) return fs::equivalent(pa, pb, ec) && !ec;
    const fs::path ca = Resolved(a, ec);
    if (ec) return false;
    const fs::path cb = Resolved(b, ec);
    if (ec) return false;
    if (ca == cb) return true;
    // One of them is still to be created: the same name in the same folder, letter case
    // aside, is the same file where the file system ignores case.
    if (!EqualsIgnoringAsciiCase(PathToUtf8(ca.filename()), PathToUtf8(cb.filename()))) return false;
    const fs::path fa = ca.parent_path(), fb = cb.parent_path();
    const bool sameFolder = fa == fb || (fs::equivalent(fa, fb, ec) && !ec);
    return sameFolder && FolderIgnoresCase(PathToUtf8(fa));
}

void RefuseSameFiles(const std::vector<CommandFile>& files) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!files[i].written || files[i].path.empty()) continue;
        for (std::size_t j = 0; j < files.size(); ++j) {
            if (j == i || files[j].path.empty() || (files[j].written && j < i)) continue;
            if (SameFile(files[i].path, files[j].path))
                throw FileError(files[i].path, Message("core.same-file")
                                                   .Arg("role", Role(files[i]))
                                                   .Arg("other", Role(files[j]))
                                                   .Arg("file", files[j].path));
        }
    }
}

void CheckInputFile(const std::string& path, const std::string& role) {
    CheckInputFile(path, Message("cli.text").Arg("text", role));
}

void CheckInputFile(const std::string& path, const Message& role) {
    std::error_code ec;
    const fs::path p = PathFromUtf8(path);
    if (fs::is_directory(p, ec)) throw FileError(path, Message("core.input-is-folder").Arg("role", role));
    errno = 0;
    std::FILE* f = OpenFile(path, "rb");
    if (!f) {
        const int e = errno;
        throw FileError(path, e ? Message("core.cannot-open-input-because")
                                      .Arg("role", role)
                                      .Arg("reason", SystemErrorMessage(e))
                                : Message("core.cannot-open-input").Arg("role", role));
    }
    std::fclose(f);
}

}  // namespace trelvo
