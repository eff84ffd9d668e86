// The export of a Turbo HAMLOG database: opens it through the HAMLOG library, walks the chosen
// range record by record and writes one line per accepted record with the writer of the kind.
// Nothing is held in memory but the record being written. The save dialog and the completion
// message belong to the front ends; the texts they show are here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/callbacks.h"
#include "export/export_writers.h"
#include "hamlog/hamlog_library.h"
#include "text/datetime.h"

namespace trelvo::exports {

// The range of records: the option group of the export panel (index = value).
enum class RangeMode : int { kAll = 0, kDates = 1, kRecords = 2 };

// Messages, exactly as users know them.
inline constexpr const char* kMsgDateDigits = "日付の桁数不正、８桁必要です";
inline constexpr const char* kMsgStartDateInvalid = "開始日付の指定が不正です（あり得ない日にち）";
inline constexpr const char* kMsgEndDateInvalid = "終了日付の指定が不正です（あり得ない日にち）";
inline constexpr const char* kMsgStartDateBad = "範囲指定（開始日）の設定不良";
inline constexpr const char* kMsgEndDateBad = "範囲指定（終了日）の設定不良";
inline constexpr const char* kMsgCannotOpen = "Turbo HAMLOGのデータがOPEN出来ませんでした";
inline constexpr const char* kMsgNoDatabaseLocation = "Turbo HAMLOGのデータ場所指定が出来ておりません";
inline constexpr const char* kMsgCompleted = "件の変換が終了しました。";
inline constexpr const char* kMsgSavedAs = "保存ファイルは ";

// Settings file: the folder of the last saved export (shared with the ADIF import's save).
inline constexpr const char* kIniSaveSection = "ADIF-LOG";
inline constexpr const char* kIniSaveKey = "ADIF-LOGFOL";

struct ExportOptions {
    std::string dbPath;  // the *.HDB; the library opens it without its extension
    ExportKind kind = ExportKind::kAdif;
    RangeMode range = RangeMode::kAll;
    std::string dateFrom, dateTo;      // "yyyymmdd", range kDates; exchanged when given end first
    std::string recordFrom, recordTo;  // range kRecords; an empty one counts as "1"
    WriterOptions writer;              // hamlogToAdif is filled by the export
    std::string outputPath;            // created anew; never the database or its master file
    // The program proposed outputPath (no -o): a file another run puts there meanwhile is never
    // replaced; the lines go under the next free numbered name, and the result says which.
    bool outputNameProposed = false;
    std::string programFolder;     // where "HL2ADIF.txt" is looked for first
    std::string createdTimestamp;  // standard ADIF header, "YYYYMMDD HHMMSS"; empty: now (UTC)
    // Told the record numbers the pass will walk, before the first one (the counter label
    // shows "n/last").
    std::function<void(long long first, long long last)> passStarts;
    // Given: the lines are appended here and no file is touched (no output, no DXCC table
    // search; the fuzzer runs the export so).
    std::string* outputSink = nullptr;
};

struct ExportResult {
    long long converted = 0;  // lines written
    bool cancelled = false;   // stopped through CancelRequested
    // After a cancel: the file the lines written so far are kept in (CancelledName of the
    // output), or empty when none was written and the output is as it was.
    std::string keptPath;
    // Not empty: the pass ended at a record that could not be written; the output was not
    // made (an existing file is as it was) and `converted` is 0.
    Message failure;
    // Not empty: the header's record count and the records in the file differ (both counts;
    // the records in the file were exported). Already given to Warning.
    Message countMismatch;
    std::size_t blankedBreaks = 0;  // CR, LF and NUL inside fields, written as spaces
    long long first = 0, last = 0;
    std::string outputPath;
};

// The date check made before every export: nullopt when both texts are dates, else the
// message (too short, start or end not a date). Only the first four, the fifth and sixth and
// the last two characters are read, as "yyyy-mm-dd".
std::optional<std::string> ValidateExportRange(std::string_view dateFrom, std::string_view dateTo);

// The whole export. Throws Error (a range that cannot be used, an output path that is the
// database, a failed open, with kMsgHamlogInUse when another program holds the database) before
// the output is created, and FileError when the output cannot be written. Records the library
// cannot read are skipped; in range kDates a record whose date is not a date is reported
// through Warning and skipped. A record that cannot be written ends the pass (`failure`).
ExportResult ExportHamlogData(hamlog::HamlogLibrary& library, const ExportOptions& options,
                              ConversionCallbacks& callbacks);

// The warning for a record without a readable date in a date range.
std::string UnreadableDateMessage(long long record, std::string_view storedDate, std::string_view lineBreak);

// "N件の変換が終了しました。", a line break, "保存ファイルは " and the output path.
std::string CompletionMessage(const ExportResult& result, std::string_view lineBreak = "\r\n");

// What the save dialog of each kind shows.
struct ExportSaveDialog {
    std::string title;
    std::string filter;  // "description (*.EXT)|*.EXT"
    std::string proposedName;
};
ExportSaveDialog SaveDialogFor(ExportKind kind, const text::DateTime& now);

// The time now in UTC as "YYYYMMDD HHMMSS".
std::string UtcTimestampNow();

// The kind's name on the command line ("adif", "csv", "csv5", "backup").
const char* KindName(ExportKind kind);

}  // namespace trelvo::exports
