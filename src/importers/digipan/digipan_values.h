// The pieces of the DigiPan conversion: the separator pass, the value stream it is read back
// with, and the date/time and frequency texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/callbacks.h"
#include "csvout/hamlog_csv.h"
#include "importers/digipan/digipan_import.h"
#include "text/io.h"

namespace trelvo::digipan {

// Pass 1: copies the log to `tempPath` line by line with every "," replaced by a space and
// then every ";" by ",", each line ending in CR LF (CR LF, a lone CR and a lone LF all end a
// log line). `CancelRequested` is polled before each line; false when it stopped the copy.
bool NormaliseSeparators(const std::string& logPath, const std::string& tempPath,
                         ConversionCallbacks& callbacks);
// The same into a writer the caller made (and closes on success; a cancelled copy is closed
// here with the lines copied so far).
// `bytes`, when given, are read instead of the log.
bool NormaliseSeparators(const std::string& logPath, text::Cp932LineWriter& out,
                         ConversionCallbacks& callbacks, const std::string_view* bytes = nullptr);

// Where a value of the stream came from.
struct ValueInfo {
    long long line = 0;          // line on which the value starts (1-based)
    long long endLine = 0;       // line on which it ends (later only for a quoted value)
    bool unclosedQuote = false;  // a double quote opened it and none closes it before the end
    int index = 0;               // position of the value on its line (1-based)
    bool lastOnLine = false;     // a line end or the end of the file follows the value
};

// Where a value lies in the stream's buffer; read it through ValueStream::View.
struct ValueRef {
    long long at = 0;      // offset in the file
    std::size_t size = 0;  // bytes
};

// Pass 2 reading: values separated by commas and line ends; leading spaces of a value are
// skipped; a value that starts with a double quote runs to the next double quote (across
// line ends if need be) and is taken without the quotes, anything after the closing quote
// up to the next separator being dropped. A line with nothing but spaces holds no values.
// Values are CP932 bytes as they stand in the file. They are not copied: the stream keeps
// every byte from the last Release() on, so memory stays bounded by the longest contact.
class ValueStream {
public:
    // `bytes`, when given, are read instead of the file.
    explicit ValueStream(const std::string& path, const std::string_view* bytes = nullptr);

    // The next value; false at the end of the file.
    bool Next(ValueRef& ref, ValueInfo& info);
    // The bytes of a value read since the last Release().
    std::string_view View(const ValueRef& ref) const {
        return std::string_view(buf_.data() + static_cast<std::size_t>(ref.at - base_), ref.size);
    }
    // Lines begun so far (the line of the next value).
    long long LineNumber() const { return line_; }
    // The values read so far are no longer needed.
    void Release() { keep_ = base_ + static_cast<long long>(pos_); }

    // Next() and a copy of the value, releasing it at once.
    bool Next(std::string& value, ValueInfo& info);

    // The usual case taken in one step: at the start of a line already read in, a line of
    // exactly `count` values without double quotes or NUL bytes, ending in CR LF. Gives the
    // values `count` calls of Next() would give (LineInfo() their ValueInfo); false (nothing
    // read) for any other line. `facts`, when given, gets what the line's bytes hold.
    struct LineFacts {
        bool high = false;  // a byte of 0x80 or more
    };
    bool NextLine(ValueRef* refs, int count, LineFacts* facts = nullptr);
    // The ValueInfo of the `count` values the last NextLine() gave.
    void LineInfo(ValueInfo* info, int count) const;

private:
    enum class Scan { kTaken, kNot, kNeedMore };
    Scan ScanLine(ValueRef* refs, int count, LineFacts* facts);
    bool Refill();       // drops what was released, reads more; false at the end of the file
    void SkipLineEnd();  // at a CR or LF: consumes CR LF, CR or LF
    void ScanQuoted();   // from after the opening quote to the closing one (or the end)
    void ScanUnquoted();

    text::ByteReader reader_;
    std::size_t chunk_;  // bytes read at a time
    std::vector<char> buf_;
    std::size_t end_ = 0;  // bytes of buf_ in use
    std::size_t pos_ = 0;  // next byte to read in buf_
    long long base_ = 0;   // file offset of buf_[0]
    long long keep_ = 0;   // file offset from which bytes must be kept
    bool eof_ = false;
    long long line_ = 1;
    int index_ = 0;
    bool atLineStart_ = true;
};

// True when the first 12 characters are digits giving a real date and time:
// year (4), month, day, hour, minute (2 each).
bool IsDigipanStamp(std::string_view stamp);

// Date "YY/MM/DD" and time "HH:MM" + "U" from the stamp value (UTC digits yyyymmddhhmm). A
// stamp too short yields shorter texts, as the character positions fall.
void SetDateTimeFromStamp(std::string_view stamp, csvout::HamlogCsvRecord& record);

// The MHz text of a frequency value: kHz followed by three more characters, which are
// dropped. nullopt when the number is too large to be a frequency.
std::optional<std::string> FrequencyText(std::string_view value, FreqFormat format);

}  // namespace trelvo::digipan
