// Opening a database file for reading the way Turbo HAMLOG's own files must be treated: never
// created, never written, and refused while another program holds the file open exclusively
// (as Turbo HAMLOG does with the database it has open).
#pragma once

#include <cstdio>
#include <string>

#include "core/message.h"

namespace trelvo::hamlog {

enum class DbOpenStatus {
    kOpened,
    kNotFound,         // no such file (or folder)
    kHeldExclusively,  // another program holds it open exclusively
    kCannotOpen,       // no permission, a folder, or another failure
};

// Opens `path` (as written; callers resolve the case first) for binary reading. Returns
// nullptr and sets `status` when it cannot, and `reason` (when given) to the system's text
// for the failure. Held exclusively means, on Windows, a sharing violation (another program
// has the file open for writing, or denies reading); elsewhere an exclusive flock() or a
// write lock (fcntl) on the file.
std::FILE* OpenDatabaseForReading(const std::string& path, DbOpenStatus& status, Message* reason = nullptr);

// Moves to a byte offset that may lie beyond 2 GiB. False on failure.
bool SeekFile(std::FILE* f, long long offset);

// The size of an open file in bytes (beyond 2 GiB too), or -1 when it cannot be told.
long long FileSizeOf(std::FILE* f);

// Reads up to `n` bytes at a byte offset of an unbuffered file, in one call where the system
// has one (the file position may move); the count read, fewer only at the end or on failure.
std::size_t ReadFileAt(std::FILE* f, long long offset, char* dst, std::size_t n);

}  // namespace trelvo::hamlog
