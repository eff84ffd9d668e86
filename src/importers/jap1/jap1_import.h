// The JAP1 import: a log exported by JAP1 as CSV text becomes the CSV that Turbo HAMLOG
// imports ("JAP2HL.CSV" in the program folder unless another output is named).
//
// The export starts with two header lines; after them every record is 12 values:
//   1 callsign, 2 date and time ("YY/MM/DD HH:MM", JST), 3 the two reports (his in the first
//   three characters, mine in the last three), 4 frequency, 5 mode, 6 area code, 7 grid
//   locator, 8 QSL status, 9 name, 10 QTH, 11 remarks, 12 remarks 2.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/callbacks.h"
#include "core/message.h"
#include "csvout/hamlog_csv.h"
#include "importers/jap1/remarks_table.h"
#include "settings/ini_store.h"
#include "text/io.h"

namespace trelvo::jap1 {

inline constexpr const char* kOutputName = "JAP2HL.CSV";
inline constexpr std::size_t kValuesPerRecord = 12;
inline constexpr int kHeaderLines = 2;
// Settings file: the JAP1 file chosen last (the whole path, despite the section's name).
inline constexpr const char* kIniSection = "JAP1CSV-FOL";
inline constexpr const char* kIniKey = "JAP1CSV-FN";

struct Jap1Options {
    std::string inputPath;         // the JAP1 export; never modified
    std::string outputPath;        // empty: "JAP2HL.CSV" in the program folder
    std::string remarksTablePath;  // empty: "remconv.txt" as the file search finds it, if at all
    bool noRemarksTable = false;   // true: no table, whatever the search would find
    std::string programFolder;     // empty: the folder of the running program
};

struct Jap1Result {
    long long records = 0;   // records written
    bool cancelled = false;  // stopped through CancelRequested
    std::string outputPath;
    // After a cancel: the file the lines written so far are kept in (CancelledName of the
    // output), or empty when none was written and the output is as it was.
    std::string keptPath;
    bool outputReplaced = true;    // false: no record was found and an existing output was kept
    std::string remarksTablePath;  // the table used; empty when there was none
    std::size_t remarksPairs = 0;  // pairs in it
};

using Jap1Values = std::array<std::string, kValuesPerRecord>;

// Converts one record's values into the import record. Things the user has to check (a QSL
// status or an area code the rules cannot read, a date that is not one) are appended to
// `problems`, worded without the file and record, and the record is still filled.
void FillJap1Record(const Jap1Values& values, const RemarksConversionTable& table,
                    csvout::HamlogCsvRecord& record, std::vector<Message>& problems);

// The whole import: reads the remarks table, skips the header lines, converts and writes one
// line per record. Progress gets the record number; CancelRequested is polled before every
// line or record. Per-record problems, a record cut short by the end of the file and values
// beyond the twelfth go to Warning with the file, record and line named.
// Throws FileError (files), never modifies the input.
Jap1Result ConvertJap1Csv(const Jap1Options& options, ConversionCallbacks& callbacks);

// The records of `in` (its header lines first) converted into `out`; ConvertJap1Csv around
// files, ConvertJap1Bytes around bytes in memory (for the fuzzer: no file is touched).
void ConvertJap1Records(text::ByteReader& in, const RemarksConversionTable& table, text::Cp932LineWriter& out,
                        Jap1Result& result, ConversionCallbacks& callbacks);
Jap1Result ConvertJap1Bytes(std::string_view input, const RemarksConversionTable& table, std::string& output,
                            ConversionCallbacks& callbacks);

// "JAP2HL.CSV" in the given program folder.
std::string DefaultJap1OutputPath(const std::string& programFolder);

// The message shown when a run has completed: the count, " 件の変換が正常終了しました。", a
// line break, the output path and " をTurbo HAMLOGから読み込んで下さい".
std::string CompletionMessage(const Jap1Result& result, std::string_view lineBreak = "\r\n");

// The JAP1 file chosen last, or empty when none was stored.
std::string LastJap1Path(settings::IniStore& ini);
void StoreLastJap1Path(settings::IniStore& ini, const std::string& path);

}  // namespace trelvo::jap1
