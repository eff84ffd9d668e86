// Where the user's Turbo HAMLOG database is, and the checks made on it at start-up and after
// each choice: a ".HDB" in the path, the ".mst" master file beside it, and a header that can
// be read (it cannot while Turbo HAMLOG holds the database open).
#pragma once

#include <string>

#include "hamlog/hdb_header.h"

namespace trelvo::hamlog {

// The database location the window (or the command line) owns.
struct HamlogLocation {
    std::string HamlogDbPath;       // the *.HDB path; empty when not set
    std::string HamlogDbBase;       // HamlogDbPath without its last four characters
    std::string HamlogMstPath;      // HamlogDbPath with its file's extension replaced by ".mst"
    HdbFieldLengths HdbFieldLen{};  // all 0 until a header has been read
    // Why the last header check failed: the file and the reason (empty after a good check).
    std::string HeaderProblem;
    Message HeaderProblemMessage;  // the same, to be shown in the user's language
};

// True when the path, in upper case, contains ".HDB" (a folder name counts).
bool PathHasHdb(const std::string& path);

// The path without its last four characters (the extension with its dot).
std::string HamlogDbBaseOf(const std::string& dbPath);

// The path with only its file's extension replaced by ".mst" (added when the name has none):
// /home/ham/Hamlog/Hamlog.hdb -> /home/ham/Hamlog/Hamlog.mst. Folders are left as they are,
// whatever their names hold. Found on disk by the callers one component at a time, the exact
// name first and then without regard to case (SearchFilePath, ResolvePathNoCase).
std::string MstPathFor(const std::string& dbPath);

// Sets HamlogMstPath from `path` and tells whether the master file exists (searched with
// SearchFilePath, so without regard to case).
bool CheckMstBeside(HamlogLocation& location, const std::string& path, const std::string& programFolder);

// Sets HamlogDbPath and HamlogDbBase from a chosen or stored path.
void SetHamlogDbPath(HamlogLocation& location, const std::string& path);

enum class LocationStatus {
    kValid,       // master found and header read; the version check comes next
    kNotSet,      // no path
    kNotHdb,      // no ".HDB" in the path: HamlogMstPath cleared (kMsgLocationInvalid)
    kMstMissing,  // no master file: HamlogDbPath, HamlogDbBase, HamlogMstPath cleared (kMsgMstMissing)
    kInUse,       // held open by Turbo HAMLOG: HdbFieldLen unchanged (kMsgHamlogInUse)
    kBadHeader,   // missing, unreadable or not a HAMLOG database: HdbFieldLen unchanged, the
                  // reason in HeaderProblem
};

// The message the window shows for a status, or nullptr (kValid, kNotSet, kBadHeader: show
// HeaderProblem).
const char* LocationMessage(LocationStatus status);

// The location check, on the location's HamlogDbPath: ".HDB" in the path, the master file
// beside it, then the field widths from the header checked by CheckHdbHeader. Reads only.
LocationStatus CheckHamlogLocation(HamlogLocation& location, const std::string& programFolder);

// The field widths of the database at `dbPath`, taken only from a header that passes the same
// checks as opening the database for reading (as `db info` does) and gives a callsign, date and
// time width. Otherwise false, with `why` saying which check failed. Every use of widths from a
// database file goes through here.
bool ReadCheckedHdbFieldLengths(const std::string& dbPath, HdbFieldLengths& widths, Message& why);

}  // namespace trelvo::hamlog
