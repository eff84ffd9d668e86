// zLog contest log (.ZLO / .ZLOX) -> HAMLOG import CSV.
//
// Every contact record becomes one CSV line: callsign and station class, date and time in
// the file's time base (optionally moved to the other zone), reports, band (or the logged
// frequency of an extended file) and mode, the QSL issue mark, the received contest number,
// the memo, the contest name and a fixed text in the Remarks, the area code and place from
// the contest number, and the operator name from the user's Turbo HAMLOG database.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/callbacks.h"
#include "csvout/hamlog_csv.h"
#include "hamlog/hamlog_library.h"
#include "hamlog/hdb_header.h"
#include "importers/zlog/prefectures.h"
#include "importers/zlog/qra_lookup.h"
#include "importers/zlog/zlo_file.h"
#include "settings/ini_store.h"
#include "text/datetime.h"
#include "tools/contest_code_table.h"

namespace trelvo::zlog {

inline constexpr const char* kIniSection = "ZLOGcfg";
inline constexpr const char* kIniFolderKey = "ZLOGpos";
inline constexpr std::size_t kModeNameCount = 8;
// Mode-name keys and defaults in the order of `ZlogOptions::modeNames`: the codes 0-4 of both
// kinds, "Other" (code 5 of .ZLO, 7 of .ZLOX), then FT4 and FT8 (codes 5 and 6 of .ZLOX).
inline constexpr std::array<const char*, kModeNameCount> kModeKeys = {
    "ZLOGModeCW",   "ZLOGModeSSB", "ZLOGModeFM",  "ZLOGModeAM",
    "ZLOGModeRTTY", "ZLOGModeOTR", "ZLOGModeFT4", "ZLOGModeFT8"};
inline constexpr std::array<const char*, kModeNameCount> kModeDefaults = {"CW",   "SSB",   "FM",  "AM",
                                                                          "RTTY", "Other", "FT4", "FT8"};
using ZlogModeNames = std::array<std::string, kModeNameCount>;

inline constexpr const char* kOutputPrefix = "ZLOG2HL_";
inline constexpr const char* kCompletionTitle = "TRELVO zLog変換モード";
inline constexpr const char* kMsgCannotOpenHamlog = "HAMLOGデータがOpen出来ません。";
inline constexpr const char* kQraQuestion =
    "変換データ作成時 Turbo HAMLOG から\r\nQRAデータ(最新)を取り込みますか？";

// Where a text goes in the Remarks.
enum class RemarksTarget { Remarks1 = 0, Remarks2 = 1, None = 2 };

// What the Freq field holds.
enum class FreqSource {
    Band,   // the band text of the band code ("7", "1.9", ...)
    Exact,  // the logged frequency of an extended record in MHz, the band text where there is none
};

struct ZlogOptions {
    std::string inputPath;
    std::string outputPath;  // written under exactly this name
    // The program proposed outputPath (no -o, no dialog): a file another run puts there
    // meanwhile is never replaced; the lines go under the next free numbered name, and the
    // result's outputPath says which.
    bool outputNameProposed = false;
    // Given: the log's bytes are read from memory and the lines appended to outputSink; no
    // file is touched (the fuzzer runs the conversion so).
    const std::string_view* inputBytes = nullptr;
    std::string* outputSink = nullptr;
    ZlogModeNames modeNames = {"CW", "SSB", "FM", "AM", "RTTY", "Other", "FT4", "FT8"};
    bool toOtherZone = false;  // "J" file: DX to UTC; "U" file: JA to JST
    bool qslIssueOn = false;
    std::string qslIssueText = "J";  // the whole text, cut with two spaces to three characters
    bool honourNoQsl = false;        // an extended record's "no QSL" blanks the issue mark
    bool qthConvertOn = false;       // contest number -> Code and QTH
    int frontCut = 0;
    int backCut = 0;
    int leadChars = 0;  // 0: all
    RemarksTarget rcvNumTarget = RemarksTarget::Remarks1;
    RemarksTarget memoTarget = RemarksTarget::None;
    RemarksTarget contestNameTarget = RemarksTarget::None;
    bool extraInfoOn = false;
    std::string extraText;
    RemarksTarget extraTarget = RemarksTarget::Remarks1;  // Remarks1 or Remarks2
    FreqSource freq = FreqSource::Band;
    // W0..W16: W0, W9-W12, W15 and W16 are used, in characters.
    hamlog::HdbFieldLengths widths{};
    const MasterIndex* master = nullptr;                 // needed with qthConvertOn
    const tools::ContestCodeTable* codeTable = nullptr;  // none or not loaded: not used
    hamlog::HamlogLibrary* qraLibrary = nullptr;         // an open database: names are looked up
    const QraIndex* qraIndex = nullptr;  // its names read once (ConvertZlogLog makes it from qraLibrary)
};

struct ZlogResult {
    long long records = 0;  // lines written
    bool cancelled = false;
    std::string outputPath;
    // After a cancel: the file the lines written so far are kept in (CancelledName of the
    // output), or empty when none was written and the output is as it was.
    std::string keptPath;
    bool outputReplaced = true;  // false: no contact was found and an existing output was kept
    ZloHeader header;
    long long badDates = 0;
    long long memoCuts = 0;
    std::size_t unmappable = 0;  // characters written as '?'
    bool shrunk = false;         // the file lost contacts while it was read (warned)
};

// The calendar date and time of an OLE date, to the nearest second; nullopt when the value
// is not a finite number or the date falls outside the years 100 to 9999.
std::optional<text::DateTime> OleDateToDateTime(double oleDate);

// Fills `out` (cleared first) from one record of a file with this header. Returns false when
// the record's date is not a date (see OleDateToDateTime): date and time are left empty and
// no time zone is moved.
bool MakeZlogCsvRecord(const ZloRecord& record, const ZloHeader& header, const ZlogOptions& options,
                       csvout::HamlogCsvRecord& out);

// The whole run: opens and checks the input, then creates the output and writes one line per
// contact. Progress gets the record number and CancelRequested is polled before every record;
// a cut memo, an unreadable date, a short tail and an extended header whose count differs from
// the records present go to Warning with the file and record named. Throws FileError for files
// that cannot be opened, read or written and FormatError for a file shorter than its header.
ZlogResult ConvertZlogLog(const ZlogOptions& options, ConversionCallbacks& callbacks);

// "ZLOG2HL_" + the time as yyyymmdd_hhmm in the folder (which ends in a separator); no
// extension.
std::string DefaultZlogOutputPath(const std::string& geneDataFolder, const text::DateTime& now);

// "zLog→Turbo HAMLOG用CSVファイル", the line break, the path, "を保存しました".
std::string CompletionMessage(const std::string& outputPath, std::string_view lineBreak = "\r\n");

// The name of a time base for the user: JST or UTC.
Message TimeBaseName(std::string_view timeBase);

// The mode names of the settings (defaults for missing keys) and their storing.
ZlogModeNames LoadZlogModeNames(settings::IniStore& ini);
void StoreZlogModeNames(settings::IniStore& ini, const ZlogModeNames& names);

}  // namespace trelvo::zlog
