#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "hamlog/db_file.h"

#include "core/errors.h"

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

std::FILE* OpenDatabaseForReading(const std::string& path, DbOpenStatus& status, Message* reason) {
    auto fail = [&](DbOpenStatus s, int err, int fd) -> std::FILE* {
        if (fd >= 0) ::close(fd);
        status = s;
        if (reason)
            *reason =
                s == DbOpenStatus::kHeldExclusively ? Message("hdb.held-open") : SystemErrorMessage(err);
        return nullptr;
    };
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return fail((err == ENOENT || err == ENOTDIR) ? DbOpenStatus::kNotFound : DbOpenStatus::kCannotOpen,
                    err, -1);
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) return fail(DbOpenStatus::kCannotOpen, errno, fd);
    if (!S_ISREG(st.st_mode))
        return fail(DbOpenStatus::kCannotOpen, S_ISDIR(st.st_mode) ? EISDIR : EINVAL, fd);
    if (HeldByAnother(fd)) return fail(DbOpenStatus::kHeldExclusively, 0, fd);
    std::FILE* f = fdopen(fd, "rb");
    if (!f) return fail(DbOpenStatus::kCannotOpen, errno, fd);
    status = DbOpenStatus::kOpened;
    return f;
}

bool SeekFile(std::FILE* f, long long offset) {
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
}

long long FileSizeOf(std::FILE* f) {
    if (fileno(f) < 0) {  // a stream over memory
        const off_t at = ftello(f);
        if (at < 0 || fseeko(f, 0, SEEK_END) != 0) return -1;
        const off_t end = ftello(f);
        fseeko(f, at, SEEK_SET);
        return static_cast<long long>(end);
    }
    struct stat st {};
    return fstat(fileno(f), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

std::size_t ReadFileAt(std::FILE* f, long long offset, char* dst, std::size_t n) {
    if (fileno(f) < 0) {  // a stream over memory
        if (fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0) return 0;
        return std::fread(dst, 1, n, f);
    }
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r =
            pread(fileno(f), dst + got, n - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<std::size_t>(r);
    }
    return got;
}

}  // namespace trelvo::hamlog
