// The few places where the engine meets the operating system.
#pragma once

#include <cstdio>
#include <filesystem>
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

// True when a file (not a folder) exists at the path.
bool FileExists(const std::string& utf8Path);

// The program's arguments as UTF-8 text, the program name first. On Windows they are taken
// from the wide-character command line, so names outside the ANSI code page survive.
std::vector<std::string> ArgumentsUtf8(int argc, char** argv);

// True when standard input is an interactive terminal (a console on Windows; the NUL device
// and pipes are not).
bool StdinIsTerminal();

enum class StdStream { kOut, kErr };

// Writes UTF-8 text to standard output or standard error. On Windows a console gets the text
// through the console's wide-character call (so Japanese shows whatever the console code page);
// a redirected stream gets the UTF-8 bytes with each "\n" written as CR LF.
void WriteStdStream(StdStream stream, std::string_view utf8);

// True when a file can be created in the folder (tried with a scratch file that is removed).
bool FolderWritable(const std::string& utf8Folder);

// The user's own settings folder for this program: $XDG_CONFIG_HOME/trelvo5 (default
// ~/.config/trelvo5) here, %APPDATA%\TRELVO5 on Windows. Not created; empty when the
// environment names no home.
std::string UserConfigFolder();

}  // namespace trelvo
