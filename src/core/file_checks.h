// Checks a command makes on the files it reads and writes before it writes any of them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/message.h"

namespace trelvo {

// True when the two paths are one file: the same file on disk (links included), or, for
// files that do not exist yet, the same path, letter case ignored where the file system
// ignores it.
bool SameFile(const std::string& a, const std::string& b);

// One file a command reads or writes.
struct CommandFile {
    CommandFile(std::string p, std::string r, bool w = false)
        : path(std::move(p)), role(std::move(r)), written(w) {}
    CommandFile(std::string p, Message r, bool w = false)
        : path(std::move(p)), written(w), roleMessage(std::move(r)) {}
    std::string path;  // empty: not used in this run
    std::string role;  // how messages name it: "the output", "the remarks table", ...
    bool written = false;
    Message roleMessage;  // set: how messages name it, in the user's language (`role` unused)
};

// Throws FileError naming both files when a file that is written is the same file as any
// other file of the list (an input, or another output).
void RefuseSameFiles(const std::vector<CommandFile>& files);

// Throws FileError (naming the file and the system's reason) unless `path` is a file that can
// be opened for reading. Called for every input before any output is created.
void CheckInputFile(const std::string& path, const std::string& role);
void CheckInputFile(const std::string& path, const Message& role);

}  // namespace trelvo
