#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "hamlog/db_file.h"

namespace trelvo::hamlog {
namespace {

// True when another open of the file holds a lock that keeps readers out: an exclusive
// flock() (Samba and many POSIX programs) or a write record lock (Wine's LockFile, dBase
// programs).
bool HeldByAnother(int fd) {
    if (flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) return true;
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;  // the whole file
#ifdef F_OFD_GETLK
    // Open-file-description locks also see the locks of this very process.
    if (fcntl(fd, F_OFD_GETLK, &probe) == 0) return probe.l_type != F_UNLCK;
    probe.l_type = F_RDLCK;
#endif
    if (fcntl(fd, F_GETLK, &probe) == 0) return probe.l_type != F_UNLCK;
    return false;
}

}  // namespace

std::FILE* OpenDatabaseForReading(const std::string& path, DbOpenStatus& status) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        status = (errno == ENOENT || errno == ENOTDIR) ? DbOpenStatus::kNotFound : DbOpenStatus::kCannotOpen;
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        status = DbOpenStatus::kCannotOpen;
        return nullptr;
    }
    if (HeldByAnother(fd)) {
        ::close(fd);
        status = DbOpenStatus::kHeldExclusively;
        return nullptr;
    }
    std::FILE* f = fdopen(fd, "rb");
    if (!f) {
        ::close(fd);
        status = DbOpenStatus::kCannotOpen;
        return nullptr;
    }
    status = DbOpenStatus::kOpened;
    return f;
}

bool SeekFile(std::FILE* f, long long offset) {
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::size_t ReadFileAt(std::FILE* f, long long offset, char* dst, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = pread(fileno(f), dst + got, n - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<std::size_t>(r);
    }
    return got;
}

}  // namespace trelvo::hamlog
