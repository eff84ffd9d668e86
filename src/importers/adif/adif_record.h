// One ADIF record, as the reader collected it, turned into one line of the HAMLOG import CSV.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/callbacks.h"
#include "csvout/dxcc_tables.h"
#include "csvout/hamlog_csv.h"
#include "hamlog/hdb_header.h"
#include "importers/adif/adif_mapping.h"
#include "settings/app_settings.h"
#include "text/cp932.h"

namespace trelvo::adif {

// What the reader gathered from one record (upper-cased, UTF-8). Cleared after each line.
struct AdifRecordState {
    // slots[c], c = 1..17: the value of the tag mapped to column c (slot 0 unused).
    std::array<std::string, kColumnCount + 1> slots;
    // One slot per second and later Remarks1 / Remarks2 mark, in the marks' order.
    std::vector<std::string> remarks1Extras;
    std::vector<std::string> remarks2Extras;
    // The JCC/JCG, AJA and DXCC tags, whatever they are mapped to.
    std::string jccValue;
    bool jccFlag = false;
    std::string ajaValue;
    bool ajaFlag = false;
    std::string dxccValue;
    bool dxccFlag = false;
    // SUBMODE, kept when the Mode column takes MODE: the mode is then the submode (FT4 rather
    // than MFSK).
    std::string submode;
    // BAND, kept for the records that have no frequency in the Freq slot.
    std::string band;
    // The Name, QTH, Remarks1 and Remarks2 slots and the remarks extras hold the CP932 bytes
    // of the file rather than text (they only travel to the output); set by the reader for
    // the run, not cleared.
    bool cp932Bytes = false;

    // Every value empty and every flag 0; the extra slots keep their number.
    void Clear();
};

// How the Freq slot becomes a frequency: the four choices of the main window.
enum class FreqConversion {
    KhzToMhz3 = 0,  // "14070 (KHz) -> 14.070(MHz)"
    KhzToMhz1 = 1,  // "14070 (KHz) -> 14(MHz)"
    AsIs = 2,       // "変換しない(元々MHz台ﾃﾞｰﾀ)"
    BandToMhz = 3,  // "Meter表記   -> MHz表記"
};

// The choices by the names the command line gives them, in the order of their values (the
// window's options Option1(0) to Option1(3)).
inline constexpr std::string_view kFreqConversionNames[] = {"khz-mhz3", "khz-mhz1", "as-is", "band"};
// The choice named `name` (one of kFreqConversionNames), AsIs for any other.
FreqConversion FreqConversionNamed(std::string_view name);
// The choice of the window's option `option` (0 to 3), AsIs for any other.
FreqConversion FreqConversionOfOption(int option);

// What lasts from one record to the next, and from one run to the next until another file is
// chosen: the frequency choice (the meter question may switch it to BandToMhz) and whether
// the question was answered Yes.
struct AdifMeterState {
    FreqConversion freq = FreqConversion::AsIs;
    bool meterQuestionAnswered = false;
};

// The question asked once when a frequency looks like a band in metres.
inline constexpr std::string_view kMeterQuestion =
    "周波数データがメータ表記になっています\n周波数MHz表記に変換しても宜しいですか？";

struct AdifLineOptions {
    // W0..W16: the HAMLOG field widths (characters for 0, 5, 6, 9-12; CP932 bytes for 13-16).
    hamlog::HdbFieldLengths widths{};
    bool jstForJa = false;      // "JA局はLOG-TIMEをJSTに変換"
    bool qslIssueFlag = false;  // "QSL発行区分="
    bool qslSentFlag = false;   // "QSL発行済ﾏｰｸ   ="
    bool qslRcvdFlag = false;   // "QSL受領ﾏｰｸ     ="
    settings::QslMarks marks;   // the three marks and the two ADIF characters
    // From the mapping (the conversion run fills these from the map it is given):
    bool qslColumnMapped = false;  // a tag feeds the QSL column
    std::string fixedText;
    FixedTextTarget fixedTextTarget = FixedTextTarget::None;
    // The DXCC table; none means every DXCC code is empty.
    const csvout::DxccTables* dxcc = nullptr;
    // How names, QTHs and remarks are cut to their byte widths.
    text::ByteCut cut = text::ByteCut::kCharacters;
};

// Fills `out` (cleared first) from the record. Returns false, with `out` incomplete, when
// the user refused to have band names in metres turned into MHz: the run must stop. Throws
// DateTimeError when a JA station's date and time cannot be moved to JST.
bool MakeAdifCsvRecord(const AdifRecordState& record, const AdifLineOptions& options, AdifMeterState& meter,
                       ConversionCallbacks& callbacks, csvout::HamlogCsvRecord& out);

// The same, giving the line text (without line end); `abort` set when the user refused.
struct AdifCsvLine {
    std::string line;
    bool abort = false;
};
AdifCsvLine MakeAdifCsvLine(const AdifRecordState& record, const AdifLineOptions& options,
                            AdifMeterState& meter, ConversionCallbacks& callbacks);

// The same values as views into the record's text, for the run's short way: filled by the
// reader where every value lies in the record as it is (no text decoded, no NUL removed).
struct AdifRecordView {
    std::array<std::string_view, kColumnCount + 1> slots{};
    std::string_view jccValue, ajaValue, dxccValue, submode, band;
    bool jccFlag = false, ajaFlag = false, dxccFlag = false;
    bool cp932Bytes = false;  // as AdifRecordState::cp932Bytes
    // The map has second Remarks marks: the record goes the long way.
    bool remarksExtras = false;
};

// Writes the line of a record view straight from its bytes: exactly what MakeAdifCsvRecord
// and csvout::WriteHamlogCsvLine write for the same values, or nothing. A record it is not
// sure of (the meter question, a date or time that is not ASCII, a JA contact whose JST
// move fails, a callsign that is not ASCII or longer than 64 bytes, remarks joined from
// several tags or with the fixed text) is left to them.
class AdifRecordWriter {
public:
    explicit AdifRecordWriter(const AdifLineOptions& options);

    // The line without its line end, in CP932, and the characters it holds as '?'. False:
    // nothing is formatted, the record goes the long way.
    bool Format(const AdifRecordView& record, const AdifMeterState& meter);
    std::string_view Line() const { return {line_.data(), static_cast<std::size_t>(at_ - line_.data())}; }
    std::size_t Unmappable() const { return unmappable_; }
    // The Date and Time fields as written (ASCII).
    std::string_view Date() const { return {date_, dateLen_}; }
    std::string_view Time() const { return {time_, timeLen_}; }

private:
    bool Station(std::string_view callsign);
    // A text field: ASCII as it is, else encoded as the line writer encodes it.
    void Text(std::string_view utf8) {
        if (text::IsAscii(utf8))
            Field(utf8);
        else
            Encoded(utf8);
    }
    void Encoded(std::string_view utf8);
    // csvout::OccursInList of the JA prefixes and the special stations, through tables of the
    // pairs of bytes in them (a text of two bytes or more occurs only where its first two do).
    bool InJaList(std::string_view key) const;
    bool InSpecialList(std::string_view call) const;
    std::string_view DxccCode(std::string_view dxcc);
    // Bytes onto the line, and the bytes that close a field and open the next.
    void Put(std::string_view bytes) {
        if (static_cast<std::size_t>(end_ - at_) < bytes.size() + 3) Grow(bytes.size() + 3);
        if (bytes.empty()) return;  // an empty view may have no bytes at all
        std::memcpy(at_, bytes.data(), bytes.size());
        at_ += bytes.size();
    }
    void Field(std::string_view bytes) {
        Put(bytes);
        std::memcpy(at_, "\",\"", 3);
        at_ += 3;
    }
    void Grow(std::size_t more);
    // Name, QTH and the remarks, cut as MakeAdifCsvRecord cuts them: the file's bytes when
    // `bytes`, else text.
    void Kept(std::string_view slot, std::size_t width, bool remarks, bool bytes);

    const AdifLineOptions& o_;
    std::string issue_, sent_, rcvd_;  // the marks' first characters, or a space
    std::string line_, scratch_, qsl_, encoded_;
    text::Cp932Recoder recoder_;  // learns the characters it meets instead of building the whole tables
    char* at_ = nullptr;          // the end of the line so far, in line_
    char* end_ = nullptr;         // the end of line_
    std::size_t unmappable_ = 0;
    char date_[16] = {}, time_[8] = {};
    std::size_t dateLen_ = 0, timeLen_ = 0;
    char call_[64] = {};
    std::size_t callLen_ = 0;
    bool qrp_ = false, ja_ = false;
    // The codes of the DXCC numbers below kDxccCached, looked up once.
    static constexpr std::size_t kDxccCached = 1000;
    std::vector<std::string> dxccCodes_;
    std::vector<bool> dxccKnown_;
};

// The MHz text of a band name in metres ("20M" gives "14", "3CM" gives "*10"), or empty.
std::string_view BandTextToMHz(std::string_view band);
// The same for every band ADIF names (60M, 4M, 2190M ...), used when a record has only BAND.
std::string_view AdifBandToMHz(std::string_view band);

}  // namespace trelvo::adif
