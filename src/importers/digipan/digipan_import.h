// DigiPan log -> HAMLOG import CSV.
//
// DigiPan keeps its contacts in a text log (normally Digipan.LOG), CP932, one contact per
// line, 20 values separated by ";". The conversion runs in two passes: the log is copied into
// "temp.dat" in the generated-data folder with every "," made a space and then every ";" made
// a ",", and that file is read back as a stream of values, 20 per contact, one CSV line
// written per contact as it is converted.
#pragma once

#include <string>
#include <string_view>

#include "core/callbacks.h"

namespace trelvo::digipan {

inline constexpr const char* kTempFileName = "temp.dat";
inline constexpr const char* kOutputFileName = "TRELVO.CSV";
inline constexpr int kValuesPerContact = 20;
// How long a run waits for another conversion to let the work file go before it gives up.
inline constexpr int kTempFileWaitMs = 2000;

// How the kHz frequency of the log becomes the MHz text of the CSV.
enum class FreqFormat {
    MhzThreeDecimals,  // Option1(0) "14070 (KHz) -> 14.070(MHz)": 14070 -> 14.070, 135.7 -> .136
    WholeMhz,          // Option1(1) "14070 (KHz) -> 14(MHz)": 14070 -> 14
};

// Everything the conversion reads from the main window, sampled when Convert is pressed.
struct DigipanOptions {
    std::string logPath;         // DigipanLogPath: the DigiPan log (read only)
    std::string geneDataFolder;  // GeneDataFolder: "temp.dat" goes here, and the default output
    std::string outputPath;      // empty: "TRELVO.CSV" in geneDataFolder
    FreqFormat freqFormat = FreqFormat::MhzThreeDecimals;
    bool qslIssue = false;        // Check1 "QSL発行区分="
    std::string issueMark = "J";  // Text4
    bool qslSent = false;         // Check2 "QSL発行済ﾏｰｸ   ="
    std::string sentMark = "*";   // Text5
    bool jstForJa = false;        // Check3 "JA局はLOG-TIMEをJSTに変換"
    // Given: the log's bytes are converted from memory and the lines appended to outputSink;
    // no file (the work file included) is touched (the fuzzer runs the conversion so).
    const std::string_view* logBytes = nullptr;
    std::string* outputSink = nullptr;
    // False: every contact goes through the record and its writer, none is written straight
    // from its bytes (the reference the short way is tested against).
    bool quickLines = true;
};

struct DigipanResult {
    long long contacts = 0;  // lines written to the output (also after a cancel)
    bool cancelled = false;  // stopped through CancelRequested; no completion message then
    std::string tempPath;    // the separator-normalised copy of the log
    std::string outputPath;  // the CSV written
    // After a cancel: the file the lines written so far are kept in (CancelledName of the
    // output), or empty when none was written and the output is as it was.
    std::string keptPath;
    bool outputReplaced = true;  // false: no contact was found and an existing output was kept
    // The mark boxes as the conversion leaves them: an empty one becomes a single space once
    // a contact was converted, and the window shows that back in Text4 / Text5.
    std::string issueMark;
    std::string sentMark;
    long long warnings = 0;  // warnings passed to the callbacks
    bool operator==(const DigipanResult&) const = default;
};

// Runs both passes. Pass 1 calls `callbacks.CancelRequested()` once per log line; pass 2 calls
// it once per contact and `callbacks.Progress(n)` with the number of the line about to be
// written. A cancel stops between two lines; what was written stays. Problems that do not
// stop the run (a date that is not one, lines that do not hold 20 values, a last contact cut
// short, bytes that are not CP932) go to `callbacks.Warning` with the log's name and line.
// Throws FileError when a file cannot be opened, read or written, or when the log would be
// overwritten by the temporary or output file.
DigipanResult ConvertDigipanLog(const DigipanOptions& options, ConversionCallbacks& callbacks);

// The CSV a run writes: the options' outputPath, or "TRELVO.CSV" in the GeneData folder.
std::string OutputPathOf(const DigipanOptions& options);

// The text of the message shown at the end of a run that was not cancelled: the count, then
// CR LF, then the output path and the request to load it into Turbo HAMLOG.
std::string CompletionMessage(const DigipanResult& result);

}  // namespace trelvo::digipan
