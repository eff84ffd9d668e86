#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "core/platform.h"

namespace trelvo {

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
    return std::fopen(utf8Path.c_str(), mode);
}

std::string ProgramFolder() {
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return ".";
    std::string exe(buf, static_cast<std::size_t>(n));
    std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string(".")
                                      : (slash == 0 ? std::string("/") : exe.substr(0, slash));
}

std::vector<std::string> ArgumentsUtf8(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

void WriteStdStream(StdStream stream, std::string_view utf8) {
    std::FILE* f = stream == StdStream::kOut ? stdout : stderr;
    std::fwrite(utf8.data(), 1, utf8.size(), f);
    std::fflush(f);
}

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return JoinPath(xdg, "trelvo5");
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    return JoinPath(JoinPath(home, ".config"), "trelvo5");
}

}  // namespace trelvo
