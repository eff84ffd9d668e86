// Creating Turbo HAMLOG databases: a *.HDB in the layout Turbo HAMLOG 5 writes, filled from
// the HAMLOG import CSV, and a *.mst master file from a list of codes. Files are written under
// a temporary name and put in place when complete; an existing file is only replaced when
// asked to.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/callbacks.h"
#include "hamlog/hdb_header.h"
#include "text/datetime.h"

namespace trelvo::hamlog {

// One contact as it goes into a database. Texts are UTF-8.
struct HdbContact {
    std::string call;     // JA1ABC/1, KH6/JE3HHT, JA1ABC/1/QRP
    bool dx = false;      // not a JA station
    text::DateTime when;  // date, hour and minute in the zone below
    bool utc = false;     // false: JST
    std::string hisRst, myRst, freq, mode, code, gridLoc, qsl, name, qth, remarks1, remarks2;
    bool deleted = false;  // written with the deletion mark
};

struct HdbWriteOptions {
    HdbFieldLengths widths = DefaultHdbFieldLengths();  // entries 1..16 are used
    bool overwrite = false;
    std::optional<text::DateTime> updateDate;  // the header's date; today when unset
};

// Checks widths for a new database: 1..254 each, DATE 4 or more, TIME and FLAG 2 or more.
// Throws Error naming the field.
void CheckHdbWidths(const HdbFieldLengths& widths);

// Reads "8,12,4,..." (sixteen numbers) into entries 1..16 and sets entry 0. Throws Error.
HdbFieldLengths ParseHdbWidths(const std::string& text);

// How long putting a new database in place waits for another run in the same folder.
inline constexpr int kFolderWaitMs = 10000;

// A file written under a unique temporary name beside its target ("<target>.<unique>.writing",
// created exclusively) and renamed over the target by Commit(). Refuses (FileError) when the
// target exists in any letter case, unless `overwrite`. A write that fails removes the
// temporary file and throws FileError saying the target is kept.
class PendingFile {
public:
    PendingFile(std::string target, bool overwrite);
    ~PendingFile();  // removes the temporary file when not committed
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    void Write(const std::string& bytes);
    void WriteAt(long long offset, const std::string& bytes);
    // Writes everything to the disk and closes the temporary file, not yet in place.
    void Finish();
    // Finish(), then the temporary file replaces the target.
    void Commit();
    const std::string& Target() const { return target_; }
    const std::string& TempPath() const { return temp_; }

private:
    [[noreturn]] void Fail(int error);

    std::string target_, temp_;
    std::FILE* f_ = nullptr;
};

class HdbWriter {
public:
    HdbWriter(const std::string& path, const HdbWriteOptions& options);
    // Adds a record. Returns notes on what could not be stored as given (a field cut to its
    // width, characters CP932 cannot hold, a callsign that reads back differently).
    std::vector<Message> Append(const HdbContact& contact);
    // Writes the record count and the end mark and puts the file in place. Throws FileError.
    void Close();
    // The same without putting the file in place; Commit() does that later.
    void Finish();
    void Commit() { file_.Commit(); }
    std::uint32_t Count() const { return count_; }

private:
    HdbWriteOptions options_;
    PendingFile file_;
    std::uint32_t count_ = 0;
    std::string buffer_;
    text::DateTime date_;
};

// Builds a database from a HAMLOG import CSV: fifteen quoted columns (call, date, time, his
// RST, my RST, frequency, mode, code, grid, QSL, name, QTH, remarks 1 and 2, and 0 for a JA or
// 8 for a DX station), or sixteen with a record number first as Turbo HAMLOG exports them.
// The file is CP932; a line that is valid UTF-8 is taken as UTF-8. Dates "YY/MM/DD" or
// "yyyy/mm/dd", times "HH:MM" with "J" or "U" (none: JST). Bad lines throw FormatError naming
// the file and line; notes go to callbacks.Warning. Progress and cancel once per line.
// Returns the number of records written.
std::uint32_t CreateHdbFromCsv(const std::string& csvPath, const std::string& hdbPath,
                               const HdbWriteOptions& options, ConversionCallbacks& callbacks);

// One entry of a master file.
struct MasterEntry {
    std::string code;  // up to 6 CP932 bytes
    std::string name;  // the place name, up to 34 CP932 bytes
};

// The same, with the master file `mstPath` (none when empty) made from `codes`: both files are
// written completely before either replaces an existing file, and then both are put in place
// while the folder is locked against other runs. A failure leaves the old files as they were.
std::uint32_t CreateHdbAndMaster(const std::string& csvPath, const std::string& hdbPath,
                                 const HdbWriteOptions& options, const std::string& mstPath,
                                 const std::vector<MasterEntry>& codes, ConversionCallbacks& callbacks);

// Reads "CODE<TAB>NAME" lines (CP932, or UTF-8 lines; "#" starts a comment line, blank lines
// are skipped). Throws FormatError naming the file and line.
std::vector<MasterEntry> ReadMasterEntries(const std::string& path);

// Writes a master file: the dBase header of 290 bytes and one 56-byte record per entry, in
// the given order (the reader starts at the third record; see ReadMasterCodes). Names longer
// than their field are cut with a warning.
void WriteMasterRecords(PendingFile& file, const std::vector<MasterEntry>& entries,
                        const std::optional<text::DateTime>& updateDate, ConversionCallbacks& callbacks);
void WriteMasterFile(const std::string& path, const std::vector<MasterEntry>& entries, bool overwrite,
                     const std::optional<text::DateTime>& updateDate, ConversionCallbacks& callbacks);

}  // namespace trelvo::hamlog
