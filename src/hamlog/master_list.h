// The master list (area codes and place names from the database's ".mst" file) and the check
// of the HAMLOG library's version that comes before it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "hamlog/hamlog_library.h"

namespace trelvo::hamlog {

// Master file layout: 56-byte records; the code is bytes 1-6 of a record, the place name bytes
// 7-40 (byte 0 is the deletion mark). Records are read from offset 346 + 56 * i, i = 1, 2, ...
inline constexpr int kMasterRecordLength = 56;
inline constexpr unsigned kMasterHeaderLength = 290;
inline constexpr long long kMasterFirstOffset = 346;
// A record whose code (in upper case) contains this ends the list.
inline constexpr const char* kMasterEndMarker = "500A";

struct MasterList {
    // Entries 1..MasterCount (entry 0 is empty): the code padded with spaces to 11
    // characters, and the place name trimmed of spaces.
    std::vector<std::string> MasterCodes;
    std::vector<std::string> MasterNames;
    int MasterCount = 0;
};

// Reads the master file record by record from offset 346 + recordLength * i (i = 1, 2, ...)
// until a code containing "500A" or the end of the file (a record cut short by the end is not
// counted). With `collect` 1 it also fills MasterCodes and MasterNames (sized to fit);
// with 0 it only counts. Returns the number of records read. The path is found without regard
// to case. The header is checked first (a dBase III table of eight fields, 290 header bytes,
// 56-byte records of CODE and QTH first); a file that fails is not read. Throws HdbCheckError
// naming the file and the reason: the system's error text when it cannot be opened, "not a
// Turbo HAMLOG master file" and the failed check when its header is not one of a master file.
int ReadMasterCodes(const std::string& mstPath, int recordLength, int collect, MasterList& list);
// The same on a stream open at its start (a file, or memory), named `name` in messages; the
// stream stays open.
int ReadMasterCodesStream(std::FILE* f, const std::string& name, int recordLength, int collect,
                          MasterList& list);

struct VersionCheck {
    long long version = 0;       // HamlogVersionNumber of what the library reported
    bool tooOld = false;         // below 5.03: show kMsgVersionTooOld, titled kMsgVersionTitle
    bool masterCounted = false;  // MasterCount was set from the master file
};

// The check made when the window loads and after a database location is set: the library's
// version, then, when `HamlogMstPath` in upper case contains ".MST", MasterCount from the
// master file (counting only). Throws as ReadMasterCodes does.
VersionCheck CheckHamlogVersion(HamlogLibrary& library, const std::string& HamlogMstPath, MasterList& list);

}  // namespace trelvo::hamlog
