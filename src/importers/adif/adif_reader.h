// Reading an ADIF log: the prescan that collects the tag names and the run that turns every
// record into a line of the HAMLOG import CSV.
//
// The reader is line oriented. A line ends at CR or CR LF, and at a lone LF too when asked or
// when the file's first block holds no CR; every line is upper-cased; nothing before the line
// holding "<EOH>" (nor that line itself) is read, except in a file that has no "<EOH>" at all,
// which is read as records from its first byte; lines are joined, without a separator and
// without their LF characters, until a line holding "<EOR>" ends a record. In a record a tag
// name runs from a "<" to the next ":", its value from the next ">" to the next "<"; the
// length written in the tag is not used. ADX files (ADIF's XML form, told by their first
// bytes) are read as the plain form they stand for.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/callbacks.h"
#include "importers/adif/adif_mapping.h"
#include "importers/adif/adif_record.h"

namespace trelvo::adif {

// How the bytes of the file are taken: Shift-JIS (CP932, what the Windows loggers write),
// UTF-8, or UTF-8 when the whole file is valid UTF-8 with at least one non-ASCII character.
enum class AdifEncoding { Cp932, Utf8, Auto };

struct AdifReadOptions {
    bool lfEndsLine = false;  // a lone LF ends a line too
    // Told by the file: a lone LF ends a line too when the first block read holds no CR
    // (files written on Linux and macOS). Overrides lfEndsLine.
    bool detectLineEnds = true;
    AdifEncoding encoding = AdifEncoding::Auto;
    // The file has no header: records start at its first byte. The prescan finds this out
    // (AdifScanResult::headerless) and the run is told.
    bool headerless = false;
    // Given: the file's bytes are read from memory and the converted lines appended to
    // outputSink; no file is touched (the fuzzer runs the reader so).
    const std::string_view* inputBytes = nullptr;
    std::string* outputSink = nullptr;
};

// The message when no input file is set.
inline constexpr std::string_view kNoInputMessage = "ADIF形式 の LOGファイルが指定されていません。";
// The message when the run stops because the meter question was answered No.
inline constexpr std::string_view kReadDatError = "ReadDat error";

// The distinct tag names of a file in order of first appearance, entries 1..Count() (at most
// kCapacity); entry 0 is the empty name.
class AdifTagTable {
public:
    static constexpr int kCapacity = 50;

    AdifTagTable();
    int Count() const { return static_cast<int>(names_.size()) - 1; }
    const std::string& Name(int index) const { return names_[static_cast<std::size_t>(index)]; }
    // Entries 1..Count(): the rows of the mapping window.
    std::vector<std::string> Names() const { return {names_.begin() + 1, names_.end()}; }
    // The index 0..Count() of `name` (the empty name is entry 0), or -1.
    int Find(std::string_view name) const;
    // Adds a name that is not there yet; false when the table is full.
    bool Add(const std::string& name);

private:
    // At most kCapacity + 1 names, looked up only where the guess of the next tag missed: a
    // search of the list is quicker than hashing, and building the table allocates little.
    std::vector<std::string> names_;
};

// What the bytes of a file showed while it was read.
struct AdifInputTraits {
    bool crSeen = false;
    bool lfSeen = false;
    bool nonAscii = false;
    bool validUtf8 = true;
    // Lines end in LF only: read without `lfEndsLine`, the whole file is one line.
    bool LfOnly() const { return !crSeen && lfSeen; }
    // Valid UTF-8 with non-ASCII text.
    bool LooksLikeUtf8() const { return nonAscii && validUtf8; }
    bool operator==(const AdifInputTraits&) const = default;
};

struct AdifScanResult {
    AdifTagTable table;
    long long records = 0;
    bool cancelled = false;
    bool headerSeen = false;
    // Distinct names that did not fit in the table: how many, and the first of them.
    long long overflowCount = 0;
    std::vector<std::string> overflowNames;
    AdifInputTraits traits;
    AdifEncoding encoding = AdifEncoding::Cp932;  // never Auto: the one that was used
    bool lfEndsLine = false;                      // how lines were taken (detected or as asked)
    bool headerless = false;  // no <EOH> anywhere: the file was read as records from its start
    bool adx = false;         // the file is ADIF's XML form (read by ReadAdxFile instead)
    // The read options the run must be given to read the file the same way.
    AdifReadOptions RunOptions() const;
};

// A short description of how the file was read, for one line of output: "UTF-8, LF line
// ends", "Shift-JIS (CP932), CR LF line ends, no header".
Message DescribeAdifInput(const AdifScanResult& scan);

// Reads the whole file once: UTF-8 when it is valid UTF-8 holding non-ASCII text, else CP932.
AdifEncoding DetectAdifEncoding(const std::string& path, const std::string_view* bytes = nullptr);

// The value of the header's PROGRAMID field ("" when the file has none before its <EOH> or
// when the header does not end within the file's first 64 KiB). Throws FileError when the
// file cannot be read.
std::string ReadAdifProgramId(const std::string& path);

// True for the files whose records are written from the other station's side: eQSL's inbox
// download ("eQSL.cc DownloadInBox") holds the cards others sent, so its RST_SENT is the
// report received and its QSL_SENT says their card came.
bool IsSendersViewProgram(std::string_view programId);

// Called by the prescan after each record with the record count and the name count so far.
using AdifScanCounter = std::function<void(long long records, int names)>;

// The prescan: counts the records and collects the tag names. Calls `counter` (when given)
// and then Progress with the record count after each record, and polls CancelRequested
// before each line. Throws FileError when the file cannot be read, Error with
// kNoInputMessage when `path` is empty.
AdifScanResult ScanAdifTags(const std::string& path, const AdifReadOptions& options,
                            ConversionCallbacks& callbacks, const AdifScanCounter& counter = {});

struct AdifRunResult {
    enum class Status { Completed, Cancelled, Aborted };
    Status status = Status::Completed;
    long long records = 0;       // every non-empty record, written or not
    long long written = 0;       // lines written
    long long skipped = 0;       // records whose date could not be moved to JST (reported)
    std::size_t unmappable = 0;  // characters Shift-JIS cannot hold, written as '?'
    long long known = 0;         // records left out because the database has them (skipKnown)
    AdifInputTraits traits;
    // Cancelled or Aborted: the file the written lines are kept in (CancelledName of the
    // output), empty when none was written and the output is as it was.
    std::string keptPath;
    bool outputReplaced = true;  // false: no record was found and an existing output was kept
    // The distinct STATION_CALLSIGN values, in order of appearance (at most a few kept).
    std::vector<std::string> stationCallsigns;
    bool operator==(const AdifRunResult&) const = default;
};

// Tells whether a contact is already in the Turbo HAMLOG database (the run leaves it out).
// Called with the record as it would be written; true: leave it out.
using AdifKnownCheck = std::function<bool(const csvout::HamlogCsvRecord& record)>;

// Everything a run takes besides the callbacks.
struct AdifRunOptions {
    std::string inputPath;
    std::string outputPath;                // created anew; CP932, CR LF
    const AdifTagTable* table = nullptr;   // the prescan's (none: no tag is known)
    const AdifMapping* mapping = nullptr;  // the map of the mapping window (none: nothing mapped)
    // How the prescan read the file (AdifScanResult::RunOptions), and the in-memory input
    // and output.
    AdifReadOptions read;
    AdifLineOptions line;  // the map's fixed text and QSL column override these
    // Carries the frequency choice and the meter answer across records and runs (none: a
    // fresh one for this run).
    AdifMeterState* meter = nullptr;
    AdifKnownCheck known;  // given: the contacts it knows are left out
    // Records whose values lie in their text as they are written straight from it
    // (AdifRecordWriter); false: every record the long way (for comparing the two).
    bool recordWriter = true;
};

// The run: reads the input with the tag table of the prescan and the map of the mapping
// window and writes one CSV line per record to the output. Stops with Aborted status when
// the meter question is answered No (lines written so far stay) and with Cancelled when
// CancelRequested says so. A record whose date cannot be moved to JST is reported through
// Warning and not written. Throws FileError for files that cannot be read or written.
AdifRunResult ConvertAdifLog(const AdifRunOptions& options, ConversionCallbacks& callbacks);

// The records of a file as both passes take them apart: each one joined from its lines,
// upper-cased, without its "<EOR>" (`run` false, the prescan) or "EOR>" (`run` true). Reads
// `bytes` with `options` as given (not as ADX, no second reading of a file without "<EOH>");
// for checking the reader against a plain reading of the line and record rules. `tags`, when
// given, gets one entry per record: for each tag its upper-cased name (and in the run its
// value) as "LENGTH" + "a" (ASCII) or "n" + ":" + the bytes; `lines` the number of the line
// each record ends on (the line a warning of it names).
std::vector<std::string> SplitAdifRecords(std::string_view bytes, const AdifReadOptions& options, bool run,
                                          std::vector<std::string>* tags = nullptr,
                                          std::vector<long long>* lines = nullptr);

// The text shown after a completed run: the count and the output path, on two lines.
std::string AdifCompletionMessage(long long records, const std::string& outputPath);

}  // namespace trelvo::adif
