// The few places where the engine meets the operating system.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trelvo {

// Paths travel through the program as UTF-8 text; these turn them into file-system paths.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string PathToUtf8(const std::filesystem::path& p);

// Opens a file with a C mode string ("rb", "wb", ...); nullptr on failure (errno set).
std::FILE* OpenFile(const std::string& utf8Path, const char* mode);

// The folder that holds the running program, without a trailing separator.
std::string ProgramFolder();

// The native separator ('/' here, '\\' on Windows) and a join that adds one when needed.
char PathSeparator();
std::string JoinPath(const std::string& folder, const std::string& name);

// The path a write to `utf8Path` lands in: symbolic links followed to the file they name
// (which need not exist yet); the path itself when it is no link.
std::string FollowLinks(const std::string& utf8Path);

// True when a file (not a folder) exists at the path.
bool FileExists(const std::string& utf8Path);

// True when the path names something that exists and is neither a regular file nor a folder:
// a device, a FIFO, a socket (links followed), or anything named through /dev or /proc. Such
// an output is written where it is.
bool IsSpecialFile(const std::string& utf8Path);

// False when an existing regular file may not be written by this process: no write
// permission for the user (or no write bit at all, which even the administrator respects
// here), the read-only attribute on Windows.
bool FileWritable(const std::string& utf8Path);

// A new stream ("wb", binary) on the process's standard output; nullptr on failure (errno set).
std::FILE* OpenStandardOutputStream();

// A read-only stream over `bytes` (kept alive by the caller), for readers that take a stream
// to be run on memory (the fuzzers). nullptr where the system has none (Windows; errno set).
std::FILE* OpenMemoryStream(std::string_view bytes);

// The program's arguments as UTF-8 text, the program name first. On Windows they are taken
// from the wide-character command line, so names outside the ANSI code page survive.
std::vector<std::string> ArgumentsUtf8(int argc, char** argv);

// True when standard input is an interactive terminal (a console on Windows; the NUL device
// and pipes are not).
bool StdinIsTerminal();

// True when the program has a console window to itself that closes when it ends (Windows:
// started from Explorer rather than from a command prompt); never elsewhere.
bool ConsoleOwnedAlone();
// Waits until a key is pressed on that console.
void WaitForKey();

enum class StdStream { kOut, kErr };

// Writes UTF-8 text to standard output or standard error. On Windows a console gets the text
// through the console's wide-character call (so Japanese shows whatever the console code page);
// a redirected stream gets the UTF-8 bytes with each "\n" written as CR LF. False when not
// all of it could be written.
bool WriteStdStream(StdStream stream, std::string_view utf8);

// True when a file can be created in the folder (tried with a scratch file that is removed).
bool FolderWritable(const std::string& utf8Folder);

// An environment variable as UTF-8 text; nullopt when it is not set. On Windows it is read
// through the wide-character call, so folder names outside the ANSI code page survive.
std::optional<std::string> EnvironmentUtf8(const char* name);

// The user's language as a locale name ("ja_JP.UTF-8", "ja", "en_US", "C"): the first
// non-empty of LC_ALL, LC_MESSAGES and LANG; on Windows, when none is set, the user's UI
// language ("ja" for Japanese). Empty when nothing says.
std::string UserLanguageCode();

// The user's own settings folder for this program: $XDG_CONFIG_HOME/trelvo5 (default
// ~/.config/trelvo5) here, %APPDATA%\TRELVO5 on Windows. Not created; empty when the
// environment names no home.
std::string UserConfigFolder();

}  // namespace trelvo

namespace trelvo {

// Creates a new file beside `target` named "<target>.<unique>.<suffix>", exclusively: never an
// existing file and never through a symbolic link; it takes the permissions of an existing
// target. Returns the stream ("wb") and sets `created`
// to its path; nullptr when it cannot be made (errno set).
std::FILE* CreateUniqueFile(const std::string& target, const std::string& suffix, std::string& created);

// Flushes the stream, asks the system to put it on the disk and closes it. False when any of
// that failed (errno set); the stream is closed either way.
bool SyncAndClose(std::FILE* f);

// Moves `from` over `to` in one step (both in the same folder). False on failure (errno set).
bool MoveFileOver(const std::string& from, const std::string& to);
// Moves `from` to `to` in one step only while nothing has the name `to`: false with errno
// EEXIST when something has (a file, a folder, a link), else false on other failures.
bool MoveFileToNewName(const std::string& from, const std::string& to);

// True when the folder's file system takes names without regard to letter case.
bool FolderIgnoresCase(const std::string& folder);

// An exclusive lock held for as long as the object lives. A file lock opens (or creates) the
// file without following a symbolic link and can hand out a stream that writes it; a folder
// lock keeps other holders of the same folder lock out.
class ExclusiveLock {
public:
    enum class Result { kLocked, kBusy, kFailed };

    ExclusiveLock() = default;
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

    // kBusy when another holder kept the lock for `waitMs`; kFailed (errno set) when the file
    // cannot be opened or is a symbolic link or not a plain file.
    Result LockFile(const std::string& path, int waitMs);
    Result LockFolder(const std::string& path, int waitMs);
    // The locked file emptied, as a new stream ("wb") that the caller closes; the lock stays.
    // nullptr on failure (errno set).
    std::FILE* TruncatedStream();
    void Release();

private:
    int fd_ = -1;
    void* handle_ = nullptr;  // Windows: the named mutex of a folder lock
};

}  // namespace trelvo
