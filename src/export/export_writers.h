// The four export writers: one QSO record in, one line of text out (in the output encoding). They hold
// nothing between records.
//
//   ADIF         tags in a fixed order, date and time in UTC, "<eor>" last; or, with
//                `standard`, ADIF 3.1.4 as the common importers read it
//   CSV          fourteen quoted fields, date "YYYYMMDD"
//   CSV for V5   the HAMLOG import layout: fifteen quoted fields, date "YY/MM/DD", station class
//   backup text  the fixed widths of the old Turbo HAMLOG backup file, one mode or all
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/message.h"
#include "csvout/dxcc_tables.h"
#include "export/qso_fields.h"
#include "text/cp932.h"

namespace trelvo::exports {

// The export kinds, numbered as the window's conversion modes.
// ADX, ADIF's XML form, has no window mode of its own: its number is outside theirs.
enum class ExportKind : int { kAdif = 2, kCsv = 4, kBackup = 5, kCsv5 = 6, kAdx = 20 };

enum class OutputEncoding { kCp932, kUtf8 };

// The mode filter value that lets every record through.
inline constexpr const char* kAllModes = "MIX";

struct WriterOptions {
    bool ExportKhz = false;                            // ADIF: FREQ in kHz
    bool ExportCodeOff = false;                        // ADIF: no code tag
    bool ExportTownCodeOff = false;                    // ADIF: six-character town codes written as their JCG
    std::string SelectedMode = kAllModes;              // backup text: the one mode written, or "MIX"
    bool standard = false;                             // ADIF 3.1.4 for other programs
    OutputEncoding encoding = OutputEncoding::kCp932;  // standard ADIF counts bytes in it
    const csvout::DxccTable* hamlogToAdif = nullptr;   // HAMLOG DX code -> ADIF entity number
};

// Texts in the output encoding. Characters that Shift-JIS cannot hold become '?' and are
// counted.
class Encoder {
public:
    explicit Encoder(OutputEncoding encoding) : encoding_(encoding) {}
    // The text in the output encoding: `utf8` itself when it needs no conversion, else a view
    // of a buffer that the next call reuses.
    std::string_view operator()(std::string_view utf8);
    // Appends CP932 bytes as operator() writes the text they hold (Cp932ToUtf8 of them),
    // counting what it counts.
    void AppendStored(std::string& out, std::string_view cp932);
    // Appends exactly `width` Shift-JIS bytes' worth of the text: cut at a character boundary
    // (a divided double-byte character becomes a space) or padded with spaces.
    void AppendFitBytes(std::string& line, std::string_view utf8, std::size_t width);
    std::size_t Unmappable() const { return stats_.invalid; }
    // Values the standard forms left out because they are not ASCII (ADI) or have no
    // Unicode twin (ADX); counted for the warning at the end.
    void LeftOut() { ++leftOut_; }
    std::size_t LeftOutCount() const { return leftOut_; }
    OutputEncoding encoding() const { return encoding_; }

private:
    OutputEncoding encoding_;
    std::string scratch_;
    text::ConversionStats stats_;
    std::size_t leftOut_ = 0;
};

// The band of a frequency text (MHz, trimmed); empty when the table has none. 146.5 gives
// "20m": only the first characters are looked at.
std::string BandOf(std::string_view freq);
// The same as a view of a constant ("" when there is none).
std::string_view BandName(std::string_view freq);

// The frequency in kHz: read as a single-precision number, times 1000, the shortest decimal
// text of that single-precision value (7.025 -> 7025). Texts with "/" or "*" are kept as
// they are; nullopt when the text is not a number.
std::optional<std::string> KhzText(std::string_view freq);

// PH -> SSB; RY, RTY, TTY -> RTTY; STV, SST -> SSTV; others unchanged.
std::string AdifMode(std::string_view mode);
// The same as a view: of a constant, or of `mode` itself.
std::string_view AdifModeName(std::string_view mode);

// QSO_DATE and TIME_ON in UTC. A time marked "J" is Japan Standard Time and goes back nine
// hours (to the day before below 09:00). Throws FormatError for a date that is not one or a
// JST time whose hour or minute is not a number.
struct UtcDateTime {
    std::string date;  // "YYYYMMDD"
    std::string time;  // "HHMM"
};
UtcDateTime AdifDateTime(const QsoFields& fields);

// The code tag: JCC (1 to 4 characters, four only below 500), DXCC (a four-character DX code
// looked up by its first three digits), JCG (5, or 6 ending in a letter), AJA (6 ending in a
// digit). With `townCodeOff` a six-character code ending in a letter is written as its JCG
// (first five). nullopt: no tag. Throws FormatError for a four-character code whose first
// three characters are not a number.
struct CodeTag {
    std::string tag;         // "JCC", "JCG", "AJA" or "DXCC"
    std::size_t length = 0;  // the length written in the tag
    std::string value;
};
std::optional<CodeTag> AdifCodeTag(std::string_view code, bool townCodeOff, const csvout::DxccTable* table);

// ADIF enumerations of the three HAMLOG QSL marks (issue class, sent, received); empty when
// the record has no marks at all:
//   QSL_SENT  Y: sent mark set; N: not sent, issue class "N" (no card); Q: not sent yet,
//             any other issue class (queued)
//   QSL_RCVD  Y: received mark set; I: not received, issue class "N"; N: not received
std::string StandardQslSent(const QsoFields& fields);
std::string StandardQslRcvd(const QsoFields& fields);

// ADIF's MODE and SUBMODE for a HAMLOG mode name: FT4 is MFSK with submode FT4, PSK3 (what
// HAMLOG keeps of PSK31) is PSK with PSK31, C4FM is DIGITALVOICE with C4FM, PH is SSB; a mode
// ADIF lists as a mode (FT8, CW, RTTY ...) has no submode. Unknown names stay as they are.
struct StandardMode {
    std::string mode;
    std::string submode;
};
StandardMode StandardAdifMode(std::string_view hamlogMode);

// ADIF's band ("20m") of a frequency in MHz by the band edges; empty outside every band or
// when the text is not a number.
std::string StandardBand(std::string_view freqMhz);

// For a Japanese area code (JCC, JCG, Ku): the prefecture as ADIF's STATE for DXCC 339 ("01"
// to "47", the first two digits) and the code as CNTY. A two-digit prefecture number gives
// STATE alone, any other code of one to three digits CNTY alone. nullopt for anything else.
struct JapanArea {
    std::string state;
    std::string cnty;
};
std::optional<JapanArea> JapaneseArea(std::string_view code);

// The fields of the standard forms, in order, as ADIF names them (values in UTF-8). NAME,
// QTH, COMMENT and NOTES come as written; the writers decide what a non-ASCII value becomes.
struct AdifField {
    std::string name;
    std::string value;
};
std::vector<AdifField> StandardFields(const QsoFields& fields, const WriterOptions& options,
                                      Message* note = nullptr);

// ADX: the lines before the records (XML declaration, header) and after them.
std::vector<std::string> AdxHeaderLines(std::string_view createdTimestamp);
std::vector<std::string> AdxFooterLines();
// One <RECORD> element. Non-ASCII NAME, QTH, COMMENT and NOTES go to NAME_INTL, QTH_INTL,
// COMMENT_INTL and NOTES_INTL; another non-ASCII value is left out (counted by the encoder).
void AdxRecord(const QsoFields& fields, const WriterOptions& options, Encoder& encoder, std::string& line,
               Message* note = nullptr);

// The header lines of the ADIF file: "<EOH>" alone, or with `standard` a line of text and the
// ADIF_VER, PROGRAMID, PROGRAMVERSION and CREATED_TIMESTAMP ("YYYYMMDD HHMMSS", UTC) tags.
std::vector<std::string> AdifHeaderLines(const WriterOptions& options, std::string_view createdTimestamp);

// The writers replace `line` with the record in the output encoding, without its line end.
//
// One ADIF record. A frequency that --khz cannot convert is written as stored and described
// in `note`.
void AdifRecord(const QsoFields& fields, const WriterOptions& options, Encoder& encoder, std::string& line,
                Message* note = nullptr);

// The CSV call sign: trimmed, upper case, every "/QRP" moved to the end as one.
std::string CsvCall(std::string_view call);
// The station class of the V5 layout from the call sign without "/QRP": "0" JA, "8" DX, by
// the rules of the import (special stations, the JA prefix list, the deciding part).
const char* StationClassOf(std::string_view callWithoutQrp);
// The three QSL marks, each blank one a space.
std::string QslMarks(const QsoFields& fields);
// One CSV line; `v5` selects the layout Turbo HAMLOG V5 reads back. Throws FormatError for a
// date that is not one.
void CsvRecord(const QsoFields& fields, bool v5, Encoder& encoder, std::string& line);

// The call sign and portable part of the backup text: split at the last "/", the longer part
// is the call sign (the part before on a tie).
void SplitBackupCall(std::string_view call, std::string& callSign, std::string& portable);
// One backup text line; false when the mode filter passes the record over. Throws
// FormatError for a date that is not one.
bool BackupRecord(const QsoFields& fields, std::string_view selectedMode, Encoder& encoder,
                  std::string& line);

}  // namespace trelvo::exports
